#include "BenchPackage.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/LauncherCore.h"
#include "platform/BundleSeal.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"

namespace fs = std::filesystem;

namespace novra::bench {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

void removeAndFlush(const std::string& path) {
    fs::remove_all(path);
    ::sync();
}

int runQuietly(const std::string& program, const std::vector<std::string>& arguments) {
    platform::Process process(program, arguments);
    process.standardInput = platform::Redirect::null();
    process.standardOutput = platform::Redirect::null();
    process.launch();
    return process.wait();
}

namespace {

// xorshift: fast pseudo-random bytes.
struct Random {
    uint64_t state;
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    void fill(char* data, size_t size) {
        for (size_t i = 0; i + 8 <= size; i += 8) {
            uint64_t v = next();
            std::memcpy(data + i, &v, 8);
        }
        for (size_t i = size - size % 8; i < size; ++i) data[i] = static_cast<char>(next());
    }
};

void writeBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string incompressible(Random& random, size_t size) {
    std::string data(size, '\0');
    random.fill(data.data(), size);
    return data;
}

std::string textLike(Random& random, size_t size) {
    std::string data;
    data.reserve(size + 200);
    char line[200];
    while (data.size() < size) {
        uint64_t v = random.next();
        int n = std::snprintf(line, sizeof line,
                              "{\"id\": %u, \"name\": \"tile_%05u\", \"x\": %u.%02u, \"y\": %u.%02u, \"flags\": [%u, %u]}\n",
                              static_cast<unsigned>(v % 100000), static_cast<unsigned>((v >> 17) % 4096),
                              static_cast<unsigned>((v >> 29) % 640), static_cast<unsigned>((v >> 39) % 100),
                              static_cast<unsigned>((v >> 46) % 480), static_cast<unsigned>((v >> 55) % 100),
                              static_cast<unsigned>((v >> 60) & 1), static_cast<unsigned>((v >> 61) & 1));
        data.append(line, static_cast<size_t>(n));
    }
    data.resize(size);
    return data;
}

// Runs of noise between runs of silence: compresses to about half.
std::string halfCompressible(Random& random, size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; i += 128) random.fill(data.data() + i, std::min<size_t>(64, size - i));
    return data;
}

} // namespace

BenchPackage makeBenchPackage() {
    BenchPackage p;
    const char* base = std::getenv("NOVRA_BENCH_DIR");
    if (!base || !*base) base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/novra-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    p.scratch = pattern;
    const char* mb = std::getenv("NOVRA_BENCH_EXPANDED_MB");
    const int64_t expanded = (mb && *mb ? std::atoll(mb) : 860) * 1000 * 1000;

    const fs::path bundle = p.scratch + "/build/Bench.app";
    writeBytes(bundle / "Contents/Info.plist",
               platform::encodePropertyList(
                   {{"CFBundleExecutable", "Bench"}, {"CFBundleIdentifier", "com.novra.bench"}},
                   platform::PropertyListFormat::xml));
    writeBytes(bundle / "Contents/MacOS/Bench", "#!/bin/sh\n");
    fs::permissions(bundle / "Contents/MacOS/Bench", fs::perms::owner_all | fs::perms::group_exec |
                                                         fs::perms::others_exec | fs::perms::group_read |
                                                         fs::perms::others_read);
    Random random{0x9E3779B97F4A7C15ull};
    struct Kind {
        const char* folder;
        double share;
        size_t fileSize;
        std::string (*make)(Random&, size_t);
    };
    const Kind kinds[] = {
        {"Textures/tex-", 0.40, 8'000'000, incompressible},
        {"Levels/level-", 0.35, 1'000'000, textLike},
        {"Audio/bank-", 0.20, 4'000'000, halfCompressible},
        {"Scripts/script-", 0.05, 16'000, textLike},
    };
    for (const Kind& kind : kinds) {
        int64_t budget = static_cast<int64_t>(kind.share * static_cast<double>(expanded));
        for (int i = 0; budget > 0; ++i) {
            size_t size = std::min<size_t>(kind.fileSize, static_cast<size_t>(budget));
            writeBytes(bundle / ("Contents/Resources/" + std::string(kind.folder) + std::to_string(i)),
                       kind.make(random, size));
            budget -= static_cast<int64_t>(size);
        }
    }

    const std::string key = p.scratch + "/bench.key", pub = p.scratch + "/bench.pub";
    platform::generateSealKeys(key, pub);
    const std::string source = p.scratch + "/source";
    int status = runQuietly(NOVRA_PUBLISH_PATH, {"release", source, bundle.string(), "--id", "bench", "--version",
                                                 "1.0", "--key", key, "--title", "Bench"});
    if (status != 0) throw std::runtime_error("novra-publish release failed");
    p.game = LauncherCore::loadCatalog(source + "/catalog.json").games.at(0);
    p.package = source + "/packages/1.0.tar.gz";
    p.packageBytes = p.game.release->bytes;
    p.expandedBytes = p.game.release->expandedBytes;
    for (auto it = fs::recursive_directory_iterator(bundle); it != fs::recursive_directory_iterator(); ++it)
        p.files += it->is_regular_file() ? 1 : 0;
    platform::trustSealKeysFromFile(pub);
    fs::remove_all(p.scratch + "/build");
    p.source = source;
    return p;
}

} // namespace novra::bench
