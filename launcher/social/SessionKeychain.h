#pragma once
// The social session cookie kept between runs in the user's secret store (the Secret Service on
// Linux, the Keychain on macOS): one item per service origin, identified by the service
// "com.novra.launcher.session" and the origin string as the account. The password is never stored.
//
// Every operation has a time-out of its own: a secret store that waits for a password dialog (a
// locked keyring on a desktop) must never hold the launcher, and an operation that ran out of time
// holds up none after it. Reading never asks the user: an item that only a locked collection holds
// reads as none without touching it. Writing and deleting may ask the user to unlock the store.
#include <chrono>
#include <optional>
#include <string>

#include <QString>
#include <QCoroTask>

namespace novra::SessionKeychain {

inline constexpr const char* kService = "com.novra.launcher.session";

inline constexpr std::chrono::milliseconds kReadTimeout{5000};
// Long enough for a user to answer an unlock dialog that a store may raise.
inline constexpr std::chrono::milliseconds kWriteTimeout{20000};

// The statuses of a failed store: the store did not answer within the time-out; the user declined
// to unlock it; there is no store or it refused the operation.
inline constexpr int kTimedOut = -1;
inline constexpr int kDeclined = 4;
inline constexpr int kFailed = 7;

// The stored value for that origin, or none: no item, a locked store, a value that is not UTF-8,
// any failure and the time-out all read as none, silently.
QCoro::Task<std::optional<std::string>> read(QString origin, std::chrono::milliseconds timeout = kReadTimeout);

// Stores the value for that origin (replacing the one item there, or adding it); with none, deletes
// the item and ignores the outcome. Throws LauncherError(failureMessage(status)) when the store fails.
QCoro::Task<void> write(std::optional<std::string> value, QString origin,
                        std::chrono::milliseconds timeout = kWriteTimeout);

// Deletes the item of that origin; the outcome is ignored.
QCoro::Task<void> remove(QString origin, std::chrono::milliseconds timeout = kWriteTimeout);

// "Не удалось сохранить сеанс в Связке ключей macOS (<status>)".
std::string failureMessage(int status);

} // namespace novra::SessionKeychain
