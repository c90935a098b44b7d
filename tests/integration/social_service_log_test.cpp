// The local social service's request log: bounded, and without bodies (passwords) unless asked.
#include <gtest/gtest.h>

#include "core/Json.h"
#include "support/TestSupport.h"
#include "tools/social-service/SocialService.h"

using namespace novra;

TEST(SocialServiceLog, KeepsTheNewestRequestsWithoutTheirBodies) {
    tools::SocialService service(3);
    service.start();
    const std::string api = service.origin() + "/player/api/";
    auto send = [&](const std::vector<std::string>& urls) {
        std::vector<std::string> arguments{"--silent", "--noproxy", "*", "--header", "Content-Type: application/json",
                                           "--data", R"({"username": "anna", "password": "secret-1"})"};
        arguments.insert(arguments.end(), urls.begin(), urls.end());
        ASSERT_EQ(test::run("/usr/bin/curl", arguments).status, 0);
    };
    send({api + "login"});
    ASSERT_EQ(service.requests().size(), 1u);
    EXPECT_EQ(service.requests()[0].target, "/player/api/login");
    EXPECT_EQ(service.requests()[0].body, "") << "no password is kept";
    service.keepRequestBodies(true);
    send({api + "login"});
    EXPECT_EQ(parseJson(service.requests().back().body).value("password", ""), "secret-1");

    // More requests than the log holds: the oldest go.
    send({api + "login?n=1", api + "login?n=2", api + "login?n=3"});
    std::vector<std::string> targets;
    for (const auto& entry : service.requests()) {
        targets.push_back(entry.target);
        EXPECT_GE(entry.answered, entry.arrived) << entry.target;
    }
    EXPECT_EQ(targets, (std::vector<std::string>{"/player/api/login?n=1", "/player/api/login?n=2", "/player/api/login?n=3"}));
}
