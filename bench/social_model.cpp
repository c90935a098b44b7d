// Main-thread time of the social model against the local social service: a snapshot round with
// 1,000 friends (presence report, snapshot, notifications, the new lists), the part of it that
// applies the snapshot (from its first notification to its end), and a conversation page of 50
// messages (opening it, and refreshing it with one new message). Compared in the same run with
// decoding the same documents alone and with a round of a player who has no friends, which show how
// much of a round is the answer's decoding and the client's HTTP work rather than the model's own.
//
//   bench_social_model [--runs N]
//
// Time is the main thread's CPU time (CLOCK_THREAD_CPUTIME_ID) from the start of the operation to
// its end, so the wait for the service, which runs on its own threads, is not counted; the wall
// time is printed beside it.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QSettings>

#include "launcher/social/SocialAPI.h"
#include "launcher/social/model/SocialModel.h"
#include "support/TestSupport.h"
#include "support/social/SocialModelSupport.h"
#include "support/social/SocialTestSupport.h"
#include "tools/social-service/SocialService.h"

using namespace novra;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFriends = 1000;

double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Sample {
    double cpu = 0, wall = 0;
};

// The main thread's CPU time when the current round raised its first notification; -1 before.
double firstNotice = -1;

// Runs `operation` (which starts model work) `runs` times after `prepare`, each until the model is
// idle. With `applying`, also the time from the round's first notification to its end: the model
// applying the snapshot, without the request and the decoding before it.
std::vector<Sample> measure(SocialModel& model, int runs, const std::function<void()>& prepare,
                            const std::function<void()>& operation, std::vector<Sample>* applying = nullptr) {
    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        prepare();
        firstNotice = -1;
        Clock::time_point started = Clock::now();
        double cpu = threadMilliseconds();
        operation();
        test::settle(model);
        double end = threadMilliseconds();
        samples.push_back(
            {end - cpu, std::chrono::duration<double, std::milli>(Clock::now() - started).count()});
        if (applying && firstNotice >= 0) applying->push_back({end - firstNotice, 0});
    }
    return samples;
}

std::vector<Sample> measureDecode(const std::string& body, int runs,
                                  const std::function<void(const std::string&)>& decode) {
    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point started = Clock::now();
        double cpu = threadMilliseconds();
        decode(body);
        samples.push_back({threadMilliseconds() - cpu,
                           std::chrono::duration<double, std::milli>(Clock::now() - started).count()});
    }
    return samples;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

void report(const char* name, const std::vector<Sample>& samples) {
    std::vector<double> cpu, wall;
    for (const Sample& s : samples) {
        cpu.push_back(s.cpu);
        wall.push_back(s.wall);
    }
    std::printf("%-44s %8.3f %8.3f %8.3f", name, percentile(cpu, 0.5), percentile(cpu, 0.9),
                percentile(cpu, 1.0));
    if (percentile(wall, 0.5) > 0) std::printf("   %8.3f", percentile(wall, 0.5));
    std::printf("\n");
}

// A snapshot document of `friends` friends as the service writes it.
std::string snapshotBody(int friends) {
    Json list = Json::array();
    for (int i = 0; i < friends; ++i)
        list.push_back(Json{
            {"id", "p-" + std::to_string(1000000000 + i)},
            {"username", "player" + std::to_string(i)},
            {"unread", i % 3},
            {"presence", {{"online", i % 2 == 0}, {"current_game", "orbit"}, {"last_seen", 1700000000}}}});
    return Json{{"friends", list},
                {"incoming_requests", Json::array()},
                {"outgoing_requests", Json::array()},
                {"blocked", Json::array()}}
        .dump();
}

std::string pageBody(int messages) {
    Json list = Json::array();
    for (int i = 0; i < messages; ++i)
        list.push_back(Json{{"id", 1000 + i},
                            {"sender_id", "p-a"},
                            {"recipient_id", "p-b"},
                            {"client_id", "0F8E4A6C-3B1D-4E2F-9A7B-5C6D7E8F9A0B"},
                            {"body", "Сообщение средней длины, как в обычной переписке " + std::to_string(i)},
                            {"created", 1700000000 + i}});
    return Json{{"messages", list}, {"read_through", 0}, {"next_before", 1000}}.dump();
}

QCoro::Task<bool> refused() {
    co_return false;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 30;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    std::unique_ptr<test::TempDir> runtime = test::leaveTheDesktop();
    QCoreApplication application(argc, argv);
    test::TempDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settings.path()));
    test::useSecretStore(test::SecretStore::Keyring);

    tools::SocialService service;
    std::string me = service.addAccount("anna", "password1");
    service.addAccount("alone", "password1");
    std::vector<std::string> friends;
    for (int i = 0; i < kFriends; ++i) {
        friends.push_back(service.addAccount("player" + std::to_string(i), "password1"));
        service.makeFriends(me, friends.back());
        if (i % 2 == 0) service.setPresence(friends.back(), "orbit");
    }
    for (int i = 0; i < 60; ++i)
        service.addMessage(i % 2 ? me : friends[0], i % 2 ? friends[0] : me,
                           "Сообщение средней длины, как в обычной переписке " + std::to_string(i));
    service.start();
    qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(service.origin()));

    std::vector<Game> games{Game{"orbit", "Орбита", "", "", std::nullopt, std::nullopt}};
    SocialHost host;
    host.notify = [](const QString&, const QString&, const QString&) {
        if (firstNotice < 0) firstNotice = threadMilliseconds();
    };
    host.requestNotifications = [] { return refused(); };
    host.games = [&games]() -> const std::vector<Game>& { return games; };
    host.applicationActive = [] { return false; };
    SocialModel model(host);
    test::settle(model);
    model.setNotificationsEnabled(true);

    std::printf("main-thread CPU time in ms over %d runs    median      p90      max   wall median\n", runs);

    test::await(model.authenticate("alone", "password1", false));
    report("round, no friends", measure(
                                    model, runs, [] {}, [&] { model.poll(); }));
    test::await(model.signOut());

    test::await(model.authenticate("anna", "password1", false));
    if (model.friends().size() != static_cast<size_t>(kFriends)) {
        std::fprintf(stderr, "expected %d friends, got %zu\n", kFriends, model.friends().size());
        return 1;
    }
    int round = 0;
    // Every round, ten friends change their game, so that rows change and notifications are raised.
    auto changePresence = [&] {
        ++round;
        for (int i = 0; i < 10; ++i)
            service.setPresence(friends[static_cast<size_t>(i)], round % 2 ? "mist" : "orbit");
    };
    std::vector<Sample> applying;
    report("round, 1,000 friends", measure(
                                       model, runs, changePresence, [&] { model.poll(); }, &applying));
    report("  applying it (notifications and lists)", applying);
    std::string snapshot = snapshotBody(kFriends);
    report(
        "  decoding a 1,000-friend snapshot alone",
        measureDecode(snapshot, runs, [](const std::string& body) { decodeSocial<SocialSnapshot>(body); }));

    report("opening a conversation (page of 50)",
           measure(
               model, runs, [] {}, [&] { model.select(QString::fromStdString(friends[0])); }));
    int added = 0;
    report("refreshing it with one new message",
           measure(
               model, runs, [&] { service.addMessage(friends[0], me, "новое " + std::to_string(++added)); },
               [&] { model.loadMessages(QString::fromStdString(friends[0]), false); }));
    std::string page = pageBody(SocialModel::kPageSize);
    report("  decoding a page of 50 alone",
           measureDecode(page, runs, [](const std::string& body) { decodeSocial<MessagePage>(body); }));

    service.stop();
    test::stopSecretStore();
    return 0;
}
