#include "core/OperationControl.h"

#include "core/LauncherError.h"

namespace novra {

void OperationControl::check() const {
    std::lock_guard guard(lock_);
    if (cancelled_) throw CancellationError();
}

bool OperationControl::isCancelled() const {
    std::lock_guard guard(lock_);
    return cancelled_;
}

void OperationControl::attach(std::shared_ptr<platform::Process> process) {
    std::lock_guard guard(lock_);
    if (cancelled_) throw CancellationError();
    process_ = std::move(process);
}

void OperationControl::detach() noexcept {
    std::lock_guard guard(lock_);
    process_.reset();
}

void OperationControl::cancel() noexcept {
    std::shared_ptr<platform::Process> process;
    {
        std::lock_guard guard(lock_);
        cancelled_ = true;
        process = process_;
    }
    // Outside the lock: a running child never holds up the caller.
    if (process && process->isRunning()) process->terminate();
}

} // namespace novra
