// LauncherCore::download over loopback HTTPS against plain curl with the same arguments, on the
// file named by NOVRA_BENCH_FILE (bench/transfer.sh makes one of 500 MB). The counter
// "launcher_cpu_ms" is the CPU time of the thread that runs the download: the cost of polling.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "core/Transfer.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "support/HttpsServer.h"

namespace {

std::string file;
std::string destination;
int64_t fileBytes = 0;
novra::test::HttpsServer* server = nullptr;

double threadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Each run writes a new file: removing the previous one is not part of the figure.
void fresh(benchmark::State& state) {
    state.PauseTiming();
    std::remove(destination.c_str());
    state.ResumeTiming();
}

novra::Settings settings() { return novra::Settings(server->url() + "/launcher", "", "", "/tmp", {}); }

void LauncherDownload(benchmark::State& state) {
    double cpu = 0;
    for (auto _ : state) {
        fresh(state);
        novra::OperationControl control;
        double before = threadCpuMilliseconds();
        novra::LauncherCore::download(settings(), "packages/bench.tar.gz", destination, fileBytes, control,
                                      [](double) {});
        cpu += threadCpuMilliseconds() - before;
    }
    state.counters["launcher_cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(state.iterations() * fileBytes);
}

// Plain curl with the launcher's arguments. With `created`, the destination exists empty when curl
// starts, as the launcher leaves it: curl then truncates an existing file, and ext4 flushes such a
// file when it is closed (auto_da_alloc), which a brand-new file does not pay.
void plainCurl(benchmark::State& state, bool created) {
    const std::string url = server->url() + "/launcher/packages/bench.tar.gz";
    for (auto _ : state) {
        fresh(state);
        if (created) {
            state.PauseTiming();
            novra::platform::File::createForWriting(destination);
            state.ResumeTiming();
        }
        novra::platform::Process curl(
            "/usr/bin/curl",
            {"--fail", "--silent", "--show-error", "--proto", "=https", "--connect-timeout", "10", "--max-time",
             "86400", "--speed-limit", "1", "--speed-time", "60", "--max-filesize", std::to_string(fileBytes),
             "--output", destination, "--write-out", "%{http_code}", "--url", url});
        curl.standardOutput = novra::platform::Redirect::capture();
        curl.standardError = novra::platform::Redirect::capture();
        curl.launch();
        if (curl.wait() != 0 || curl.captured(1) != "200") state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed(state.iterations() * fileBytes);
}

void PlainCurl(benchmark::State& state) { plainCurl(state, false); }
void PlainCurlIntoCreatedFile(benchmark::State& state) { plainCurl(state, true); }

} // namespace

int main(int argc, char** argv) {
    const char* named = std::getenv("NOVRA_BENCH_FILE");
    if (!named || !*named) {
        std::cerr << "NOVRA_BENCH_FILE must name the file to serve\n";
        return 2;
    }
    file = named;
    destination = file + ".downloaded";
    fileBytes = novra::platform::fileSize(file).value_or(0);
    novra::test::HttpsServer https; // curl children trust it while it runs
    https.serveFile("/launcher/packages/bench.tar.gz", file);
    server = &https;
    for (auto* b : {benchmark::RegisterBenchmark("LauncherDownload", LauncherDownload),
                    benchmark::RegisterBenchmark("PlainCurl", PlainCurl),
                    benchmark::RegisterBenchmark("PlainCurlIntoCreatedFile", PlainCurlIntoCreatedFile)})
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(destination.c_str());
}
