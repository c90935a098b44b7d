#pragma once
// Cancellation token shared by the window (cancel) and one background operation (check, attach).
#include <memory>
#include <mutex>

#include "platform/Process.h"

namespace novra {

class OperationControl {
public:
    OperationControl() = default;
    OperationControl(const OperationControl&) = delete;
    OperationControl& operator=(const OperationControl&) = delete;

    // Throws CancellationError once cancel() has been called.
    void check() const;
    // Records the child process of the running step (none detaches). Throws CancellationError and
    // records nothing when cancelled.
    void attach(std::shared_ptr<platform::Process> process);
    // Detaches without ever throwing; used on every exit path of a step with a child.
    void detach() noexcept;
    // Marks the control cancelled and terminates the attached child. Never blocks, never throws.
    void cancel() noexcept;
    bool isCancelled() const;

private:
    mutable std::mutex lock_;
    bool cancelled_ = false;
    std::shared_ptr<platform::Process> process_;
};

using OperationControlPtr = std::shared_ptr<OperationControl>;

} // namespace novra
