#include <gtest/gtest.h>

#include "core/LauncherCore.h"
#include "support/Bundles.h"
#include "support/TestSupport.h"

using namespace novra;

TEST(PublishCheckCatalog, AcceptsSilentlyAndRefusesWithOneLine) {
    test::TempDir dir;
    const std::string release = test::sampleRelease().encode().dump();
    struct Case {
        const char* name;
        std::string contents;
        int status;
        std::string err;
    } cases[] = {
        {"ok.json", R"({"schema":1,"games":[{"id":"g","title":"G","summary":"","symbol":"","release":)" + release + "}]}",
         0, ""},
        {"schema.json", R"({"schema":2,"games":[]})", 1, "Неподдерживаемый каталог\n"},
    };
    for (const auto& c : cases) {
        test::writeFile(dir / c.name, c.contents);
        test::expectRefusal(test::run(test::publishTool(), {"check-catalog", dir / c.name}), c.err, c.status);
    }

    // Decoder and file errors are one line too, naming what is wrong.
    test::writeFile(dir / "missing-key.json", R"({"schema":1,"games":[{"id":"g","summary":"","symbol":""}]})");
    for (std::string file : {dir / "missing-key.json", dir / "absent.json"}) {
        auto r = test::run(test::publishTool(), {"check-catalog", file});
        EXPECT_EQ(r.status, 1) << file;
        ASSERT_FALSE(r.err.empty()) << file;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_NE(test::run(test::publishTool(), {"check-catalog", dir / "missing-key.json"}).err.find("games[0].title"),
              std::string::npos);
    EXPECT_EQ(test::run(test::publishTool(), {"check-catalog"}).status, 2);
}
