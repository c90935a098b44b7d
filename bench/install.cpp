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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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

void BM_Install(benchmark::State& state) {
    Setup& s = setup();
    Settings settings;
    settings.library = s.scratch + "/library";
    int64_t worstPeak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        flushAndRemove(settings.library);
        resetPeak();
        int64_t baseline = statusBytes("VmRSS");
        state.ResumeTiming();
        OperationControl control;
        LauncherCore::install(s.package, s.game, settings, control);
        state.PauseTiming();
        worstPeak = std::max(worstPeak, statusBytes("VmHWM") - baseline);
        state.ResumeTiming();
    }
    flushAndRemove(settings.library);
    state.counters["peak_above_baseline_MiB"] = static_cast<double>(worstPeak) / (1024.0 * 1024.0);
    state.SetBytesProcessed(state.iterations() * s.packageBytes);
}

void BM_Sha256sumThenTar(benchmark::State& state) {
    Setup& s = setup();
    const std::string out = s.scratch + "/peer";
    for (auto _ : state) {
        state.PauseTiming();
        flushAndRemove(out);
        fs::create_directories(out);
        state.ResumeTiming();
        // sha256sum PKG && tar -xzf PKG -C DIR
        if (runChecked("/usr/bin/sha256sum", {s.package}) != 0 ||
            runChecked("/usr/bin/tar", {"-xzf", s.package, "-C", out}) != 0) {
            state.SkipWithError("peer failed");
            break;
        }
    }
    flushAndRemove(out);
    state.SetBytesProcessed(state.iterations() * s.packageBytes);
}

BENCHMARK(BM_Install)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_Sha256sumThenTar)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

// Keeps every repetition's wall time by benchmark, for the summary.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            seconds[run.run_name.function_name].push_back(run.real_accumulated_time /
                                                          static_cast<double>(run.iterations));
            if (auto it = run.counters.find("peak_above_baseline_MiB"); it != run.counters.end())
                peakMiB = std::max(peakMiB, static_cast<double>(it->second));
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::vector<double>> seconds;
    double peakMiB = 0;
};

double mean(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    auto& ours = collector.seconds["BM_Install"];
    auto& peer = collector.seconds["BM_Sha256sumThenTar"];
    if (!ours.empty() && !peer.empty()) {
        Setup& s = setup();
        std::printf("\npackage: %.1f MB, unpacked %.1f MB in %zu files\n", s.packageBytes / 1e6, s.expandedBytes / 1e6,
                    s.files);
        std::printf("install:                          mean %.3f s, best %.3f s\n", mean(ours),
                    *std::min_element(ours.begin(), ours.end()));
        std::printf("sha256sum PKG && tar -xzf PKG -C DIR: mean %.3f s, best %.3f s\n", mean(peer),
                    *std::min_element(peer.begin(), peer.end()));
        std::printf("ratio (install / peer): mean %.2f, best %.2f\n", mean(ours) / mean(peer),
                    *std::min_element(ours.begin(), ours.end()) / *std::min_element(peer.begin(), peer.end()));
        std::printf("peak memory above baseline during install: %.2f MiB\n", collector.peakMiB);
    }
    if (built) fs::remove_all(built->scratch);
    benchmark::Shutdown();
    return 0;
}
