// The package writer's header builder: path splitting and its limits.
#include <gtest/gtest.h>

#include <stdexcept>

#include "packaging/Ustar.h"

using novra::packaging::UstarHeader;

namespace {

std::string fieldOf(const std::string& block, size_t offset, size_t length) {
    std::string text = block.substr(offset, length);
    return text.substr(0, text.find('\0'));
}

// The fields, the checksum and the padding of what the writer makes are checked where it matters: the
// reader and the system's tar read its packages (ArchiveReader), and the corpus is built from these
// headers.
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

// Fields out of range are refused; what the raw setters write is seen in the corpus's outcomes.
TEST(UstarHeader, FieldsOutOfRangeAreRefused) {
    UstarHeader header = UstarHeader::file("a", 1);
    EXPECT_THROW(header.field(500, 20, "x"), std::invalid_argument);
    EXPECT_THROW(header.size(int64_t{1} << 33), std::invalid_argument);
    EXPECT_THROW(header.size(-1), std::invalid_argument);
}

} // namespace
