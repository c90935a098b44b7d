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
#include "BenchPackage.h"

namespace fs = std::filesystem;
using namespace novra;

namespace {

using bench::BenchPackage;

BenchPackage* built = nullptr;

BenchPackage& setup() {
    static BenchPackage s = bench::makeBenchPackage();
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

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One install and one run of the peer per iteration, in alternating order, so that both meet the
// same load of the machine; the iteration's time is the install's.
std::vector<double> installSeconds, peerSeconds;
double worstPeakMiB = 0;

void BM_InstallAgainstPeer(benchmark::State& state) {
    BenchPackage& s = setup();
    Settings settings;
    settings.library = s.scratch + "/library";
    const std::string out = s.scratch + "/peer";
    auto install = [&] {
        bench::removeAndFlush(settings.library);
        resetPeak();
        int64_t baseline = statusBytes("VmRSS");
        auto start = std::chrono::steady_clock::now();
        OperationControl control;
        LauncherCore::install(s.package, s.game, settings, control);
        double seconds = secondsSince(start);
        worstPeakMiB = std::max(worstPeakMiB, static_cast<double>(statusBytes("VmHWM") - baseline) / (1024.0 * 1024.0));
        bench::removeAndFlush(settings.library);
        return seconds;
    };
    auto peer = [&] {
        bench::removeAndFlush(out);
        fs::create_directories(out);
        auto start = std::chrono::steady_clock::now();
        // sha256sum PKG && tar -xzf PKG -C DIR
        if (bench::runQuietly("/usr/bin/sha256sum", {s.package}) != 0 ||
            bench::runQuietly("/usr/bin/tar", {"-xzf", s.package, "-C", out}) != 0)
            throw std::runtime_error("the peer failed");
        double seconds = secondsSince(start);
        bench::removeAndFlush(out);
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

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (built && !installSeconds.empty()) {
        const BenchPackage& s = *built;
        std::vector<double> ratios;
        for (size_t i = 0; i < installSeconds.size(); ++i) ratios.push_back(installSeconds[i] / peerSeconds[i]);
        std::printf("\npackage: %.1f MB, unpacked %.1f MB in %zu files; %zu interleaved runs\n", s.packageBytes / 1e6,
                    s.expandedBytes / 1e6, s.files, installSeconds.size());
        std::printf("install:                              median %.3f s, best %.3f s\n", bench::median(installSeconds),
                    *std::min_element(installSeconds.begin(), installSeconds.end()));
        std::printf("sha256sum PKG && tar -xzf PKG -C DIR: median %.3f s, best %.3f s\n", bench::median(peerSeconds),
                    *std::min_element(peerSeconds.begin(), peerSeconds.end()));
        std::printf("ratio install / peer: median of runs %.2f, best against best %.2f\n", bench::median(ratios),
                    *std::min_element(installSeconds.begin(), installSeconds.end()) /
                        *std::min_element(peerSeconds.begin(), peerSeconds.end()));
        std::printf("peak memory above baseline during install: %.2f MiB\n", worstPeakMiB);
    }
    if (built) fs::remove_all(built->scratch);
    benchmark::Shutdown();
    return 0;
}
