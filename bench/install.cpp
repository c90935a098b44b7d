// Installing a large package against the natural peer, `sha256sum PKG && tar -xzf PKG -C DIR`, in
// the same run, and the install's peak memory above the process's resident size before it.
//
//   build/bench/bench_install            (NOVRA_BENCH_EXPANDED_MB sets the unpacked size, default 860;
//                                         NOVRA_BENCH_DIR the scratch folder, default $TMPDIR)
//
// The package is made once with `novra-publish release` from a bundle of mixed data: incompressible
// textures, text-like levels, half-compressible audio banks and many small scripts.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "core/LauncherCore.h"
#include "platform/BundleSeal.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"

namespace fs = std::filesystem;
using namespace novra;

namespace {

int runChecked(const std::string& program, const std::vector<std::string>& arguments) {
    platform::Process process(program, arguments);
    process.standardInput = platform::Redirect::null();
    process.standardOutput = platform::Redirect::null();
    process.launch();
    return process.wait();
}

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

struct Setup {
    std::string scratch;
    std::string package;
    Game game;
    int64_t expandedBytes = 0;
    int64_t packageBytes = 0;
    size_t files = 0;
};

Setup* built = nullptr;

Setup& setup() {
    static Setup s = [] {
        Setup s;
        const char* base = std::getenv("NOVRA_BENCH_DIR");
        if (!base || !*base) base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/novra-bench-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        s.scratch = pattern;
        const char* mb = std::getenv("NOVRA_BENCH_EXPANDED_MB");
        const int64_t expanded = (mb && *mb ? std::atoll(mb) : 860) * 1000 * 1000;

        const fs::path bundle = s.scratch + "/build/Bench.app";
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

        const std::string key = s.scratch + "/bench.key", pub = s.scratch + "/bench.pub";
        platform::generateSealKeys(key, pub);
        const std::string source = s.scratch + "/source";
        int status = runChecked(NOVRA_PUBLISH_PATH, {"release", source, bundle.string(), "--id", "bench", "--version",
                                                     "1.0", "--key", key, "--title", "Bench"});
        if (status != 0) throw std::runtime_error("novra-publish release failed");
        s.game = LauncherCore::loadCatalog(source + "/catalog.json").games.at(0);
        s.package = source + "/packages/1.0.tar.gz";
        s.packageBytes = s.game.release->bytes;
        s.expandedBytes = s.game.release->expandedBytes;
        for (auto it = fs::recursive_directory_iterator(bundle); it != fs::recursive_directory_iterator(); ++it)
            s.files += it->is_regular_file() ? 1 : 0;
        platform::trustSealKeysFromFile(pub);
        fs::remove_all(s.scratch + "/build");
        return s;
    }();
    built = &s;
    return s;
}

// Resident-set figures of this process, in bytes, from /proc/self/status.
int64_t statusBytes(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::atoll(line.c_str() + field.size() + 1) * 1024;
    return -1;
}

// Makes the peak resident size (VmHWM) start again from the current one.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void flushAndRemove(const std::string& path) {
    fs::remove_all(path);
    ::sync();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One install and one run of the peer per iteration, in alternating order, so that both meet the
// same load of the machine; the iteration's time is the install's.
std::vector<double> installSeconds, peerSeconds;
double worstPeakMiB = 0;

void BM_InstallAgainstPeer(benchmark::State& state) {
    Setup& s = setup();
    Settings settings;
    settings.library = s.scratch + "/library";
    const std::string out = s.scratch + "/peer";
    auto install = [&] {
        flushAndRemove(settings.library);
        resetPeak();
        int64_t baseline = statusBytes("VmRSS");
        auto start = std::chrono::steady_clock::now();
        OperationControl control;
        LauncherCore::install(s.package, s.game, settings, control);
        double seconds = secondsSince(start);
        worstPeakMiB = std::max(worstPeakMiB, static_cast<double>(statusBytes("VmHWM") - baseline) / (1024.0 * 1024.0));
        flushAndRemove(settings.library);
        return seconds;
    };
    auto peer = [&] {
        flushAndRemove(out);
        fs::create_directories(out);
        auto start = std::chrono::steady_clock::now();
        // sha256sum PKG && tar -xzf PKG -C DIR
        if (runChecked("/usr/bin/sha256sum", {s.package}) != 0 ||
            runChecked("/usr/bin/tar", {"-xzf", s.package, "-C", out}) != 0)
            throw std::runtime_error("the peer failed");
        double seconds = secondsSince(start);
        flushAndRemove(out);
        return seconds;
    };
    for (auto _ : state) {
        double ours = 0, theirs = 0;
        if (installSeconds.size() % 2 == 0) {
            ours = install();
            theirs = peer();
        } else {
            theirs = peer();
            ours = install();
        }
        installSeconds.push_back(ours);
        peerSeconds.push_back(theirs);
        state.SetIterationTime(ours);
        state.counters["peer_s"] = theirs;
        state.counters["ratio"] = ours / theirs;
    }
    state.counters["peak_above_baseline_MiB"] = worstPeakMiB;
    state.SetBytesProcessed(state.iterations() * s.packageBytes);
}

BENCHMARK(BM_InstallAgainstPeer)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(5);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (built && !installSeconds.empty()) {
        const Setup& s = *built;
        std::vector<double> ratios;
        for (size_t i = 0; i < installSeconds.size(); ++i) ratios.push_back(installSeconds[i] / peerSeconds[i]);
        std::printf("\npackage: %.1f MB, unpacked %.1f MB in %zu files; %zu interleaved runs\n", s.packageBytes / 1e6,
                    s.expandedBytes / 1e6, s.files, installSeconds.size());
        std::printf("install:                              median %.3f s, best %.3f s\n", median(installSeconds),
                    *std::min_element(installSeconds.begin(), installSeconds.end()));
        std::printf("sha256sum PKG && tar -xzf PKG -C DIR: median %.3f s, best %.3f s\n", median(peerSeconds),
                    *std::min_element(peerSeconds.begin(), peerSeconds.end()));
        std::printf("ratio install / peer: median of runs %.2f, best against best %.2f\n", median(ratios),
                    *std::min_element(installSeconds.begin(), installSeconds.end()) /
                        *std::min_element(peerSeconds.begin(), peerSeconds.end()));
        std::printf("peak memory above baseline during install: %.2f MiB\n", worstPeakMiB);
    }
    if (built) fs::remove_all(built->scratch);
    benchmark::Shutdown();
    return 0;
}
