#pragma once
// Running coroutines and conditions to completion on the Qt event loop, in tests.
#include <chrono>
#include <exception>
#include <functional>
#include <optional>

#include <QCoroTask>
#include <QEventLoop>

namespace novra::test {

struct Completion {
    bool done = false;
    std::exception_ptr error;
    QEventLoop loop;
};

// Runs the event loop until `completion` is done; aborts the process after `limit` (a coroutine that
// never ends must not leave a test waiting, and its frame still points at the stack).
void spin(Completion& completion, std::chrono::milliseconds limit);

// Runs the event loop until `condition` holds or `limit` has passed; returns the condition.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(20));
// Runs the event loop for `duration`.
void runFor(std::chrono::milliseconds duration);

template <class T> QCoro::Task<> collect(QCoro::Task<T>* task, std::optional<T>* value, Completion* completion) {
    try {
        value->emplace(co_await *task);
    } catch (...) {
        completion->error = std::current_exception();
    }
    completion->done = true;
    completion->loop.quit();
}

inline QCoro::Task<> collectVoid(QCoro::Task<void>* task, Completion* completion) {
    try {
        co_await *task;
    } catch (...) {
        completion->error = std::current_exception();
    }
    completion->done = true;
    completion->loop.quit();
}

// Waits for a task on the event loop and returns its value or rethrows its exception.
template <class T> T await(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    Completion completion;
    std::optional<T> value;
    QCoro::Task<> collector = collect(&task, &value, &completion);
    spin(completion, limit);
    if (completion.error) std::rethrow_exception(completion.error);
    return std::move(*value);
}

inline void await(QCoro::Task<void> task, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    Completion completion;
    QCoro::Task<> collector = collectVoid(&task, &completion);
    spin(completion, limit);
    if (completion.error) std::rethrow_exception(completion.error);
}

} // namespace novra::test
