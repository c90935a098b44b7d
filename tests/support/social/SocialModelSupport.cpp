#include "SocialModelSupport.h"

#include "SocialTestSupport.h"
#include "launcher/social/model/SocialModel.h"

namespace novra::test {

void settle(SocialModel& model, std::chrono::milliseconds limit) {
    if (model.idle()) return;
    Completion completion;
    QObject::connect(&model, &SocialModel::idleChanged, &completion.loop, [&] {
        completion.done = model.idle();
        if (completion.done) completion.loop.quit();
    });
    spin(completion, limit);
}

} // namespace novra::test
