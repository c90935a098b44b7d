#include "support/qt/QtAwait.h"

#include <cstdio>
#include <cstdlib>

#include <QElapsedTimer>
#include <QTimer>

namespace novra::test {

void spin(Completion& completion, std::chrono::milliseconds limit) {
    if (completion.done) return;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [limit] {
        std::fprintf(stderr, "a coroutine did not finish within %lld ms\n", static_cast<long long>(limit.count()));
        std::abort();
    });
    guard.start(limit);
    completion.loop.exec();
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() >= limit.count()) return condition();
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void runFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace novra::test
