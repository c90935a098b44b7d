#pragma once
// A corpus of well-formed, malformed and malicious package archives with what the reader must make of
// each: the archive tests expand every one, the fuzzing seeds start from them. Only the package
// writer's header builder is needed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "packaging/Ustar.h"

namespace novra::test::archive {

using packaging::UstarHeader;
using packaging::ustarEnd;
using packaging::ustarEntry;

inline const std::string kTruncated = "Повреждённый архив";
inline const std::string kBadEnd = "Повреждённый конец архива";
inline const std::string kTrailing = "Лишние данные в архиве";
inline const std::string kSizeOrChecksum = "Размер или контрольная сумма архива неверны";
inline const std::string kTooMany = "Слишком много файлов в пакете";
inline const std::string kUnsupported = "Неподдерживаемый или повреждённый архив";
inline const std::string kUnsafe = "Опасный или повторный путь в архиве";
inline const std::string kSpecial = "Ссылки и специальные файлы в пакете запрещены";
inline const std::string kBadDirectory = "Неверный каталог в архиве";
inline const std::string kTooLarge = "Распакованный пакет больше указанного размера";
inline const std::string kExists = "Повторный путь в архиве";
inline const std::string kBadName = "Неверное имя в архиве";
inline const std::string kBadHeader = "Неверный заголовок архива";
inline const std::string kOK = "ok";

inline std::string file(std::string_view path, std::string_view data, unsigned mode = 0644) {
    return ustarEntry(UstarHeader::file(path, static_cast<int64_t>(data.size()), mode), data);
}
inline std::string directory(std::string_view path) { return ustarEntry(UstarHeader::directory(path)); }
inline std::string entry(const UstarHeader& header, std::string_view data = {}) { return ustarEntry(header, data); }
inline std::string zeros(size_t count) { return std::string(count, '\0'); }
// "d/d/.../d" of `pieces` pieces, and every path of the tree it makes.
inline std::string deepPath(int pieces) {
    std::string path = "d";
    for (int i = 1; i < pieces; ++i) path += "/d";
    return path;
}
inline std::vector<std::string> deepTree(int pieces) {
    std::vector<std::string> tree;
    for (int i = 1; i <= pieces; ++i) tree.push_back(deepPath(i));
    return tree;
}

struct Case {
    const char* name;
    std::string tar;
    int64_t expectedBytes;
    std::string outcome;
    std::vector<std::string> tree; // what the destination holds afterwards
};

inline std::vector<Case> corpus() {
    const std::string hello = file("Game.app/hello", "hello");
    std::string end = ustarEnd();
    std::vector<Case> cases = {
        {"plain package", directory("Game.app") + hello + end, 5, kOK, {"Game.app", "Game.app/hello"}},
        {"directory implied by a file", hello + end, 5, kOK, {"Game.app", "Game.app/hello"}},
        // Links and special files.
        {"symbolic link", entry(UstarHeader::file("Game.app/link", 0).type('2').linkName("/etc/passwd")) + end, 1,
         kSpecial, {}},
        {"hard link", hello + entry(UstarHeader::file("Game.app/again", 0).type('1').linkName("Game.app/hello")) + end,
         5, kSpecial, {"Game.app", "Game.app/hello"}},
        {"character device", entry(UstarHeader::file("Game.app/tty", 0).type('3')) + end, 1, kSpecial, {}},
        {"block device", entry(UstarHeader::file("Game.app/disk", 0).type('4')) + end, 1, kSpecial, {}},
        {"fifo", entry(UstarHeader::file("Game.app/fifo", 0).type('6')) + end, 1, kSpecial, {}},
        {"contiguous file", entry(UstarHeader::file("Game.app/c", 0).type('7')) + end, 1, kSpecial, {}},
        {"pax extended header",
         entry(UstarHeader::file("PaxHeaders/hello", 20).type('x'), "20 path=/etc/passwd\n") + hello + end, 5, kSpecial,
         {}},
        {"pax global header", entry(UstarHeader::file("pax_global_header", 10).type('g'), "10 a=bcde\n") + end, 1,
         kSpecial, {}},
        {"GNU long name", entry(UstarHeader::file("LongLink", 6).type('L'), "../x\n") + hello + end, 5, kSpecial, {}},
        {"GNU long link name", entry(UstarHeader::file("LongLink", 12).type('K'), "/etc/passwd") + end, 1, kSpecial,
         {}},
        // The customary name of a long-name header already fails the path rule, which comes first.
        {"GNU long name as written", entry(UstarHeader::file("././@LongLink", 6).type('L'), "../x\n") + hello + end, 5,
         kUnsafe, {}},
        // Paths.
        {"absolute path", file("/tmp/evil", "x") + end, 1, kUnsafe, {}},
        {"climbing path", file("Game.app/../../evil", "x") + end, 1, kUnsafe, {}},
        {"climbing prefix", entry(UstarHeader::file("", 1).prefix("..").name("evil"), "x") + end, 1, kUnsafe, {}},
        {"bare dot-dot", directory("..") + end, 1, kUnsafe, {}},
        {"dot piece", file("./Game.app", "x") + end, 1, kUnsafe, {}},
        {"doubled slash", file("Game.app//x", "x") + end, 1, kUnsafe, {}},
        {"backslash", file("Game.app\\..\\x", "x") + end, 1, kUnsafe, {}},
        {"control character", file("Game.app/a\tb", "x") + end, 1, kUnsafe, {}},
        {"empty name", file("", "x") + end, 1, kUnsafe, {}},
        {"slash alone", directory("/") + end, 1, kUnsafe, {}},
        {"two trailing slashes", entry(UstarHeader().name("Game.app//").type('5')) + end, 1, kUnsafe, {}},
        {"64 pieces deep", file(deepPath(64), "x") + end, 1, kOK, deepTree(64)},
        {"65 pieces deep", file(deepPath(65), "x") + end, 1, kUnsafe, {}},
        {"65 pieces deep, as a folder", directory(deepPath(65)) + end, 1, kUnsafe, {}},
        {"duplicate by letter case", hello + file("GAME.app/Hello", "hello") + end, 10, kUnsafe,
         {"Game.app", "Game.app/hello"}},
        {"duplicate by Cyrillic letter case", file("Игра/Файл", "a") + file("ИГРА/файл", "b") + end, 2, kUnsafe,
         {"Игра", "Игра/Файл"}},
        {"duplicate by composition", file("Game.app/caf\u00e9", "a") + file("Game.app/cafe\u0301", "b") + end, 2,
         kUnsafe, {"Game.app", "Game.app/caf\u00e9"}},
        {"duplicate directory", directory("Game.app") + entry(UstarHeader().name("Game.app").type('5')) + end, 1,
         kUnsafe, {"Game.app"}},
        {"directory then file inside", directory("Game.app/") + hello + end, 5, kOK, {"Game.app", "Game.app/hello"}},
        {"file below a file", file("x/y", "1") + file("x/y/z", "2") + end, 2, "system: Not a directory",
         {"x", "x/y"}},
        {"file over a directory", file("x/y/z", "1") + file("x/y", "2") + end, 2, kExists, {"x", "x/y", "x/y/z"}},
        // Sizes.
        {"one byte under expected", hello + end, 6, kSizeOrChecksum, {"Game.app", "Game.app/hello"}},
        {"one byte over expected", file("Game.app/a", "abc") + hello + end, 7, kTooLarge, {"Game.app", "Game.app/a"}},
        {"directory with a size", entry(UstarHeader::directory("Game.app").size(5), "12345") + end, 5, kBadDirectory,
         {}},
        {"no entries", end, 1, kSizeOrChecksum, {}},
        {"base-256 size", entry(UstarHeader::file("Game.app/big", 0).raw(124, std::string("\x80\0\0\0\0\0\0\0\0\0\0\x05", 12))) + end,
         5, kBadName, {}},
        {"negative size", entry(UstarHeader::file("Game.app/a", 0).field(124, 12, "-1")) + end, 1, kBadHeader, {}},
        {"empty size", entry(UstarHeader::file("Game.app/a", 0).field(124, 12, "")) + end, 1, kBadHeader, {}},
        {"non-octal size", entry(UstarHeader::file("Game.app/a", 0).field(124, 12, "19")) + end, 1, kBadHeader, {}},
        {"size of 8 GiB", entry(UstarHeader::file("Game.app/a", 0).field(124, 12, "77777777777")) + end, 1, kTooLarge,
         {}},
        {"size with blanks and sign", entry(UstarHeader::file("Game.app/a", 0).field(124, 12, " \t+5 "), "hello") + end,
         5, kOK, {"Game.app", "Game.app/a"}},
        {"bad mode", entry(UstarHeader::file("Game.app/a", 0).field(100, 8, "0x755")) + end, 1, kBadHeader, {}},
        // Headers.
        {"bad checksum", entry(UstarHeader::file("Game.app/a", 1).checksum("0000000"), "x") + end, 1, kUnsupported, {}},
        {"checksum not octal", entry(UstarHeader::file("Game.app/a", 1).checksum("abc"), "x") + end, 1, kBadHeader, {}},
        {"GNU magic", entry(UstarHeader::file("Game.app/a", 1).magic("ustar ").raw(263, " ")) + end, 1, kUnsupported,
         {}},
        {"no magic", entry(UstarHeader::file("Game.app/a", 1).magic("")) + end, 1, kUnsupported, {}},
        {"invalid UTF-8 name", file("Game.app/\xff", "x") + end, 1, kBadName, {}},
        {"overlong UTF-8 slash", file("Game.app/\xc0\xaf", "x") + end, 1, kBadName, {}},
        {"UTF-8 surrogate", file("Game.app/\xed\xa0\x80", "x") + end, 1, kBadName, {}},
        {"invalid UTF-8 prefix", entry(UstarHeader::file("a", 1).prefix("\xe2\x82"), "x") + end, 1, kBadName, {}},
        // The end of the archive.
        {"zeros to a full record", hello + end + zeros(10240), 5, kOK, {"Game.app", "Game.app/hello"}},
        {"one zero too many", hello + end + zeros(10241), 5, kTrailing, {"Game.app", "Game.app/hello"}},
        {"non-zero byte after the end", hello + end + zeros(100) + "\x01", 5, kTrailing, {"Game.app", "Game.app/hello"}},
        {"second end block not zero", hello + zeros(512) + "x" + zeros(511), 5, kBadEnd, {"Game.app", "Game.app/hello"}},
        {"only one end block", hello + zeros(512), 5, kTruncated, {"Game.app", "Game.app/hello"}},
        {"no end blocks", hello, 5, kTruncated, {"Game.app", "Game.app/hello"}},
        {"empty stream", "", 1, kTruncated, {}},
        {"truncated header", hello + directory("Game.app/more").substr(0, 300), 5, kTruncated,
         {"Game.app", "Game.app/hello"}},
        {"truncated data", entry(UstarHeader::file("Game.app/a", 1000)) .substr(0, 512) + std::string(600, 'd'), 1000,
         kTruncated, {"Game.app", "Game.app/a"}},
        {"truncated padding", file("Game.app/a", std::string(100, 'd')).substr(0, 512 + 300), 100, kTruncated,
         {"Game.app", "Game.app/a"}},
    };
    return cases;
}

} // namespace novra::test::archive
