#pragma once
// The core's error kinds: LauncherError (a Russian message shown unchanged), the cancellation
// error (no text, never shown as an error) and the JSON decoder's error.
#include <stdexcept>
#include <string>

namespace novra {

class LauncherError : public std::runtime_error {
public:
    explicit LauncherError(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};

// Thrown by every core operation that finds its OperationControl cancelled.
class CancellationError : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// A document that is not valid JSON or does not have the expected shape. The text names the key.
class DecodingError : public std::runtime_error {
public:
    explicit DecodingError(const std::string& message) : std::runtime_error(message) {}
};

// Throws LauncherError(message) unless the condition holds.
inline void require(bool condition, const std::string& message) {
    if (!condition) throw LauncherError(message);
}

} // namespace novra
