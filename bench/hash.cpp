// LauncherCore::hash against the system's sha256sum and openssl dgst on the same file.
// The file is named by NOVRA_BENCH_FILE (bench/transfer.sh makes one of 500 MB).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

#include "core/Transfer.h"
#include "platform/Files.h"
#include "platform/Process.h"

namespace {

std::string file;
int64_t fileBytes = 0;

void runTool(const std::string& program, const std::vector<std::string>& arguments) {
    novra::platform::Process process(program, arguments);
    process.standardOutput = novra::platform::Redirect::capture();
    process.launch();
    if (process.wait() != 0) throw std::runtime_error(program + " failed");
}

void LauncherHash(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(novra::LauncherCore::hash(file));
    state.SetBytesProcessed(state.iterations() * fileBytes);
}

void Sha256sum(benchmark::State& state) {
    for (auto _ : state) runTool("/usr/bin/sha256sum", {file});
    state.SetBytesProcessed(state.iterations() * fileBytes);
}

void OpensslDgst(benchmark::State& state) {
    for (auto _ : state) runTool("/usr/bin/openssl", {"dgst", "-sha256", file});
    state.SetBytesProcessed(state.iterations() * fileBytes);
}

} // namespace

int main(int argc, char** argv) {
    const char* named = std::getenv("NOVRA_BENCH_FILE");
    if (!named || !*named) {
        std::cerr << "NOVRA_BENCH_FILE must name the file to hash\n";
        return 2;
    }
    file = named;
    fileBytes = novra::platform::fileSize(file).value_or(0);
    for (auto* b : {benchmark::RegisterBenchmark("LauncherHash", LauncherHash),
                    benchmark::RegisterBenchmark("Sha256sum", Sha256sum),
                    benchmark::RegisterBenchmark("OpensslDgst", OpensslDgst)})
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
