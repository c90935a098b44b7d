// The package writer's header builder: field layout, path splitting and checksums.
#include <gtest/gtest.h>

#include <stdexcept>

#include "packaging/Ustar.h"

using novra::packaging::UstarHeader;

namespace {

std::string fieldOf(const std::string& block, size_t offset, size_t length) {
    std::string text = block.substr(offset, length);
    return text.substr(0, text.find('\0'));
}

TEST(UstarHeader, RegularFileFields) {
    std::string block = UstarHeader::file("Game.app/Contents/Info.plist", 1234, 0755).block();
    ASSERT_EQ(block.size(), 512u);
    EXPECT_EQ(fieldOf(block, 0, 100), "Game.app/Contents/Info.plist");
    EXPECT_EQ(fieldOf(block, 100, 8), "0000755");
    EXPECT_EQ(fieldOf(block, 124, 12), "00000002322");
    EXPECT_EQ(block[156], '0');
    EXPECT_EQ(block.substr(257, 8), std::string("ustar\0" "00", 8));
    EXPECT_EQ(fieldOf(block, 345, 155), "");

    // The stored checksum is the sum of the bytes with the checksum field counted as spaces.
    unsigned sum = 0;
    for (size_t i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? 32u : static_cast<unsigned char>(block[i]);
    EXPECT_EQ(std::stoul(fieldOf(block, 148, 8), nullptr, 8), sum);
    EXPECT_EQ(block.substr(154, 2), std::string("\0 ", 2));
}

TEST(UstarHeader, DirectoryGetsTrailingSlash) {
    std::string block = UstarHeader::directory("Game.app").block();
    EXPECT_EQ(fieldOf(block, 0, 100), "Game.app/");
    EXPECT_EQ(block[156], '5');
    EXPECT_EQ(fieldOf(block, 124, 12), "00000000000");
}

TEST(UstarHeader, LongPathsSplitIntoPrefixAndName) {
    std::string exactly100(100, 'a');
    std::string block = UstarHeader::file(exactly100, 0).block();
    EXPECT_EQ(fieldOf(block, 0, 100), exactly100);
    EXPECT_EQ(fieldOf(block, 345, 155), "");

    std::string dir(150, 'p');
    std::string name(100, 'n');
    block = UstarHeader::file(dir + "/" + name, 0).block();
    EXPECT_EQ(fieldOf(block, 345, 155), dir);
    EXPECT_EQ(fieldOf(block, 0, 100), name);

    // The name keeps as much as fits: "top/m..." alone would leave 111 bytes for it.
    block = UstarHeader::file("top/" + std::string(50, 'm') + "/" + std::string(60, 'n'), 0).block();
    EXPECT_EQ(fieldOf(block, 345, 155), "top/" + std::string(50, 'm'));
    EXPECT_EQ(fieldOf(block, 0, 100), std::string(60, 'n'));
    block = UstarHeader::file("top/" + std::string(50, 'm') + "/" + std::string(47, 'n'), 0).block();
    EXPECT_EQ(fieldOf(block, 345, 155), "top");

    EXPECT_THROW(UstarHeader::file(std::string(101, 'a'), 0), std::invalid_argument);
    EXPECT_THROW(UstarHeader::file(std::string(156, 'p') + "/x", 0), std::invalid_argument);
    EXPECT_THROW(UstarHeader::file("a/" + std::string(101, 'n'), 0), std::invalid_argument);
}

TEST(UstarHeader, RawFieldsAndFixedChecksum) {
    UstarHeader header = UstarHeader::file("a", 1);
    header.field(124, 12, "-1").magic("ustar ").checksum("0000001");
    std::string block = header.block();
    EXPECT_EQ(fieldOf(block, 124, 12), "-1");
    EXPECT_EQ(block.substr(257, 6), "ustar ");
    EXPECT_EQ(fieldOf(block, 148, 8), "0000001");
    EXPECT_THROW(header.field(500, 20, "x"), std::invalid_argument);
    EXPECT_THROW(header.size(int64_t{1} << 33), std::invalid_argument);
    EXPECT_THROW(header.size(-1), std::invalid_argument);
}

TEST(UstarHeader, EntryIsPaddedToWholeBlocks) {
    EXPECT_EQ(novra::packaging::ustarEntry(UstarHeader::file("a", 1), "x").size(), 1024u);
    EXPECT_EQ(novra::packaging::ustarEntry(UstarHeader::file("a", 512), std::string(512, 'x')).size(), 1024u);
    EXPECT_EQ(novra::packaging::ustarEntry(UstarHeader::file("a", 0)).size(), 512u);
    EXPECT_EQ(novra::packaging::ustarEnd(), std::string(1024, '\0'));
}

} // namespace
