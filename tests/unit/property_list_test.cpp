#include <gtest/gtest.h>

#include <system_error>

#include "platform/PropertyList.h"
#include "support/TestSupport.h"

using namespace novra;
using platform::PropertyListFormat;

namespace {

const platform::PropertyDictionary kInfo{
    {"CFBundleExecutable", "Game"},
    {"CFBundleIdentifier", "com.novra.game"},
    {"CFBundleName", "Игра с пробелом"},
};

} // namespace

TEST(PropertyList, ReadsXmlAndBinaryForms) {
    test::TempDir dir;
    for (PropertyListFormat format : {PropertyListFormat::xml, PropertyListFormat::binary}) {
        std::string bytes = platform::encodePropertyList(kInfo, format);
        EXPECT_EQ(bytes.rfind(format == PropertyListFormat::xml ? "<?xml" : "bplist00", 0), 0u);
        test::writeFile(dir / "Info.plist", bytes);
        EXPECT_EQ(platform::readPropertyList(dir / "Info.plist"), kInfo);
    }
}

TEST(PropertyList, KeepsOnlyStringValues) {
    const char* xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleExecutable</key><integer>7</integer>
  <key>CFBundleIdentifier</key><string>com.novra.game</string>
  <key>LSRequiresNativeExecution</key><true/>
  <key>CFBundleURLTypes</key><array><string>novra</string></array>
</dict></plist>)";
    platform::PropertyDictionary info = platform::parsePropertyList(xml);
    EXPECT_EQ(info, (platform::PropertyDictionary{{"CFBundleIdentifier", "com.novra.game"}}));
}

TEST(PropertyList, RefusesWhatIsNotADictionary) {
    const std::string cases[] = {
        "",
        "not a property list",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>a</string></array></plist>",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>",
        std::string("bplist00") + std::string(40, '\xff'),
    };
    for (const std::string& bytes : cases)
        EXPECT_THROW(platform::parsePropertyList(bytes), platform::PropertyListError) << bytes;
}

TEST(PropertyList, FileErrorsAndSizeLimit) {
    test::TempDir dir;
    EXPECT_THROW(platform::readPropertyList(dir / "missing.plist"), std::system_error);
    // A property list past the limit is refused without being parsed.
    std::string padded = platform::encodePropertyList(kInfo, PropertyListFormat::xml);
    padded.insert(padded.find("<dict>"), static_cast<size_t>(platform::kPropertyListLimit), ' ');
    test::writeFile(dir / "big.plist", padded);
    EXPECT_THROW(platform::readPropertyList(dir / "big.plist"), platform::PropertyListError);
}
