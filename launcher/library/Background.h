#pragma once
// Blocking work off the main thread. A model co_awaits `inBackground(work)` on the main thread: the
// work runs on Qt's thread pool, and its value or exception comes back to the awaiting coroutine,
// on the main thread. The work gets only copies (capture by value); it never touches a model.
//
// With GCC 12 a work lambda made inside `co_await inBackground(...)` was destroyed twice (heap
// corruption): make the task in a statement of its own and await the variable
// (`auto task = inBackground(work); T value = co_await task;`).
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include <QCoroFuture>
#include <QCoroTask>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace novra {

namespace detail {

template <class T> struct Outcome {
    std::optional<T> value;
    std::exception_ptr error;
};

template <> struct Outcome<void> {
    std::exception_ptr error;
};

} // namespace detail

template <class Work> auto inBackground(Work work) -> QCoro::Task<std::invoke_result_t<Work>> {
    using T = std::invoke_result_t<Work>;
    QFuture<detail::Outcome<T>> future = QtConcurrent::run([work = std::move(work)]() mutable {
        detail::Outcome<T> outcome;
        try {
            if constexpr (std::is_void_v<T>)
                work();
            else
                outcome.value.emplace(work());
        } catch (...) {
            outcome.error = std::current_exception();
        }
        return outcome;
    });
    detail::Outcome<T> outcome = co_await future;
    if (outcome.error) std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<T>) co_return std::move(*outcome.value);
}

// Runs `apply` on the main thread later, unless `object` (which lives there) has gone by then.
// Safe to call from any thread; calls arrive in the order they were posted.
template <class Object, class Apply> void postToMain(const QPointer<Object>& object, Apply apply) {
    // After the application has ended (work winding down at exit) there is nobody to tell.
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    QMetaObject::invokeMethod(
        application,
        [object, apply = std::move(apply)]() mutable {
            if (object) apply(object.data());
        },
        Qt::QueuedConnection);
}

} // namespace novra
