// Writes the fuzzing seeds for the archive reader into the folder given as the only argument: small
// well-formed packages and near misses, each prefixed with its expected size (4 bytes, little-endian).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "packaging/Ustar.h"

using novra::packaging::UstarHeader;
using novra::packaging::ustarEnd;
using novra::packaging::ustarEntry;

namespace {

std::string file(const std::string& path, const std::string& data, unsigned mode = 0644) {
    return ustarEntry(UstarHeader::file(path, static_cast<int64_t>(data.size()), mode), data);
}
std::string directory(const std::string& path) { return ustarEntry(UstarHeader::directory(path)); }

std::string seed(int32_t expected, const std::string& tar) {
    auto u = static_cast<uint32_t>(expected);
    std::string bytes{static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                      static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
    return bytes + tar;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: archive_seeds DIR\n");
        return 2;
    }
    const std::string end = ustarEnd();
    const std::string bundle = directory("Game.app") + directory("Game.app/Contents") +
                               ustarEntry(UstarHeader::file("", 5).prefix("Game.app/Contents").name("Info.plist"), "plist") +
                               file("Game.app/Contents/MacOS/game", std::string(700, 'g'), 0755) +
                               file("Game.app/Contents/Resources/empty", "");
    std::vector<std::string> seeds = {
        seed(705, bundle + end),
        seed(705, bundle + end + std::string(9216, '\0')),
        seed(3, file("a", "abc") + end),
        seed(0, end),
        seed(4, file("x/y/z", "1") + file("x/y", "2") + end),
        seed(2, file("Игра/Файл", "a") + file("ИГРА/файл", "b") + end),
        seed(2, file("caf\u00e9", "a") + file("cafe\u0301", "b") + end),
        seed(1, ustarEntry(UstarHeader::file("link", 0).type('2').linkName("/etc")) + end),
        seed(20, ustarEntry(UstarHeader::file("PaxHeaders/a", 20).type('x'), "20 path=/etc/passwd\n") + end),
        seed(6, ustarEntry(UstarHeader::file("././@LongLink", 6).type('L'), "../x\n") + end),
        seed(1, file("../x", "y") + end),
        seed(1, ustarEntry(UstarHeader::file("a", 1).magic("ustar ").raw(263, " "), "x") + end),
        seed(1, ustarEntry(UstarHeader::file("a", 1).checksum("0000000"), "x") + end),
        seed(5, ustarEntry(UstarHeader::file("a", 0).field(124, 12, " \t+5 "), "hello") + end),
        seed(5, ustarEntry(UstarHeader::directory("d").size(5), "12345") + end),
        seed(1, file("a", "x") + std::string(512, '\0') + "x" + std::string(511, '\0')),
        seed(3000, file("big", std::string(3000, 'b')) + end),
        seed(2, directory("d/") + file("d/f", "ff") + directory("d/e") + file("d/e/g", "") + end),
    };
    for (size_t i = 0; i < seeds.size(); ++i) {
        std::string path = std::string(argv[1]) + "/seed-" + std::to_string(i);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << seeds[i];
        if (!out) {
            std::fprintf(stderr, "archive_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
