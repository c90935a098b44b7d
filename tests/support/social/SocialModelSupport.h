#pragma once
// Helpers for driving the social model outside the application.
#include <chrono>

namespace novra {
class SocialModel;
}

namespace novra::test {

// Runs the event loop until no operation of the model waits for the service; aborts the process
// after `limit`.
void settle(SocialModel& model, std::chrono::milliseconds limit = std::chrono::seconds(20));

} // namespace novra::test
