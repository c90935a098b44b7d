// SelfUpdateCore::prepare (check the new bundle, copy it beside the installed one, flush the copy to
// the disk, check the copy, measure the installed executable) against the peer tools doing the copy
// alone: `cp -a` followed by `sync -f`, and `cp -a` without the flush; with two parts of prepare on
// their own (the copy with its flush, one check of a bundle). The bundle is made in
// NOVRA_BENCH_DIR with NOVRA_BENCH_MB megabytes spread over files of 1 MB (bench/selfupdate.sh).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/Exchange.h"
#include "platform/Process.h"
#include "selfupdate/SelfUpdateCore.h"
#include "support/Bundles.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string folder, source, installed;
int64_t bundleBytes = 0;
novra::LauncherUpdate update;

void runTool(const std::string& program, const std::vector<std::string>& arguments) {
    novra::platform::Process process(program, arguments);
    process.launch();
    if (process.wait() != 0) throw std::runtime_error(program + " failed");
}

// Every candidate of the previous run goes before the next one, outside the measured time.
void removeCandidates() {
    for (const auto& entry : fs::directory_iterator(folder + "/Applications"))
        if (entry.path().filename() != "NOVRA Launcher.app") fs::remove_all(entry.path());
}

void Prepare(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(novra::SelfUpdateCore::prepare(source, installed, update));
        state.PauseTiming();
        removeCandidates();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bundleBytes);
}

// The parts of prepare: the copy with its flush, and one check of a bundle.
void CopyAndFlush(benchmark::State& state) {
    const std::string copy = folder + "/Applications/copy.app";
    for (auto _ : state) {
        fs::copy(source, copy, fs::copy_options::recursive);
        novra::platform::flushTree(copy);
        state.PauseTiming();
        removeCandidates();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bundleBytes);
}

void Validate(benchmark::State& state) {
    for (auto _ : state) novra::SelfUpdateCore::validate(source, update);
    state.SetBytesProcessed(state.iterations() * bundleBytes);
}

void CopyAndSync(benchmark::State& state) {
    const std::string copy = folder + "/Applications/copy.app";
    for (auto _ : state) {
        runTool("/bin/cp", {"-a", source, copy});
        runTool("/bin/sync", {"-f", copy});
        state.PauseTiming();
        removeCandidates();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bundleBytes);
}

void Copy(benchmark::State& state) {
    const std::string copy = folder + "/Applications/copy.app";
    for (auto _ : state) {
        runTool("/bin/cp", {"-a", source, copy});
        state.PauseTiming();
        removeCandidates();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bundleBytes);
}

} // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("NOVRA_BENCH_DIR");
    const char* mb = std::getenv("NOVRA_BENCH_MB");
    if (!dir || !*dir) {
        std::cerr << "NOVRA_BENCH_DIR must name an empty folder for the bundles\n";
        return 2;
    }
    folder = dir;
    const int megabytes = mb && *mb ? std::atoi(mb) : 200;
    installed = folder + "/Applications/NOVRA Launcher.app";
    source = folder + "/library/NOVRA Launcher.app";

    auto keys = novra::test::makeKeys(folder);
    novra::test::TrustKey trust(keys.publicKey);
    novra::test::makeLauncher(installed, novra::test::launcherSpec("11", "2.0"), keys.privateKey);
    auto spec = novra::test::launcherSpec("12", "2.1");
    std::string block(1 << 20, '\0');
    for (int i = 0; i < megabytes; ++i) {
        for (size_t j = 0; j < block.size(); ++j) block[j] = static_cast<char>((j * 131 + i * 7) >> 3);
        spec.files.emplace_back("Contents/Frameworks/lib" + std::to_string(i) + ".so", block);
    }
    novra::test::makeLauncher(source, spec, keys.privateKey);
    spec.files.clear();
    bundleBytes = static_cast<int64_t>(megabytes) << 20;
    update = novra::test::launcherUpdate(12, "2.1");

    for (auto* b : {benchmark::RegisterBenchmark("Prepare", Prepare),
                    benchmark::RegisterBenchmark("CopyAndFlush", CopyAndFlush),
                    benchmark::RegisterBenchmark("Validate", Validate),
                    benchmark::RegisterBenchmark("CopyAndSync", CopyAndSync),
                    benchmark::RegisterBenchmark("Copy", Copy)})
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
