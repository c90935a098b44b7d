#include "SocialModelSupport.h"

#include <cstdio>
#include <cstdlib>

#include <QEventLoop>
#include <QTimer>

#include "launcher/social/model/SocialModel.h"

namespace novra::test {

void settle(SocialModel& model, std::chrono::milliseconds limit) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [limit] {
        std::fprintf(stderr, "the social model did not settle within %lld ms\n", static_cast<long long>(limit.count()));
        std::abort();
    });
    guard.start(limit);
    while (!model.idle()) {
        QEventLoop loop;
        QObject::connect(&model, &SocialModel::idleChanged, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace novra::test
