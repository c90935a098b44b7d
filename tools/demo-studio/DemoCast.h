#pragma once
// The demo's players on the local social service: the demo player, friends with Russian names, and
// what a few of them do on their own, so that presence, friend requests, notifications and chat
// can be watched live.
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace novra::tools {
class SocialService;
}

namespace novra::demo {

inline constexpr const char* kDemoUsername = "demo";
inline constexpr const char* kDemoPassword = "novra-demo";

// The seed document of the demo cast (the social service's seed format): the demo player with five
// friends, some of them online in demo games, a little history of messages.
std::string demoSeed();

// The friends at work, on a thread of their own, through the service's API as each of them:
// - everyone online keeps reporting presence;
// - Егор, not yet a friend, sends the demo player a friend request a little after the start;
// - Борис starts a game and quits it again every minute or so;
// - Аня answers every message sent to her with a short reply after a second or two, and says
//   something when the demo player starts a game.
class DemoCast {
public:
    // `titles`: game titles by id, for what the friends write.
    DemoCast(tools::SocialService& service, std::map<std::string, std::string> titles);
    ~DemoCast();
    DemoCast(const DemoCast&) = delete;
    DemoCast& operator=(const DemoCast&) = delete;

    void start();
    void stop();

private:
    void run();

    tools::SocialService& service_;
    std::map<std::string, std::string> titles_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace novra::demo
