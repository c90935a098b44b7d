// Writes the fuzzing seeds for the archive reader into the folder given as the only argument: the
// archive tests' corpus and a small sound package, each prefixed with its expected size (4 bytes,
// little-endian).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/ArchiveCorpus.h"

using namespace novra::test::archive;

namespace {

std::string seed(int64_t expected, const std::string& tar) {
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
    const std::string bundle = directory("Game.app") + directory("Game.app/Contents") +
                               entry(UstarHeader::file("", 5).prefix("Game.app/Contents").name("Info.plist"), "plist") +
                               file("Game.app/Contents/MacOS/game", std::string(700, 'g'), 0755) +
                               file("Game.app/Contents/Resources/empty", "");
    std::vector<std::string> seeds = {seed(705, bundle + ustarEnd())};
    for (const Case& c : corpus()) seeds.push_back(seed(c.expectedBytes, c.tar));
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
