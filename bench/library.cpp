// The window never freezes while the library model works: the largest gap between two ticks of a
// 5 ms timer on the main thread during catalog refreshes and during installs of a package of about
// 500 MB through the model, and the model's install against the core's own install of the same
// package in the same run (storage check, download over loopback HTTPS, install, on a plain thread
// while the main thread only ticks: the gaps the machine itself causes).
//
//   build/bench/bench_library   (NOVRA_BENCH_EXPANDED_MB and NOVRA_BENCH_DIR as for bench_install;
//                                NOVRA_BENCH_REPETITIONS interleaved install pairs, default 3)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <stdexcept>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "BenchPackage.h"
#include "core/LauncherCore.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/views/LauncherResource.h"
#include "platform/Files.h"
#include "support/HttpsServer.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The main thread's time on a CPU and waiting for one (nanoseconds, from /proc/thread-self/schedstat).
struct CpuTimes {
    double running = 0;
    double waiting = 0;
};

CpuTimes cpuTimes() {
    CpuTimes times;
    if (std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r")) {
        if (std::fscanf(file, "%lf %lf", &times.running, &times.waiting) != 2) times = {};
        std::fclose(file);
    }
    return times;
}

// Ticks of a 5 ms timer on the main thread; the gaps between them while measuring, and how much of
// each gap the thread spent waiting for a CPU (the machine busy with other work) rather than
// sleeping or running.
class GapMeter {
public:
    GapMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            const CpuTimes times = cpuTimes();
            const double gap = std::chrono::duration<double, std::milli>(now - last_).count();
            const double waited = (times.waiting - lastTimes_.waiting) / 1e6;
            gaps_.push_back(gap);
            withoutWaiting_ = std::max(withoutWaiting_, gap - waited);
            running_ = std::max(running_, (times.running - lastTimes_.running) / 1e6);
            last_ = now;
            lastTimes_ = times;
        });
    }
    void start() {
        last_ = Clock::now();
        lastTimes_ = cpuTimes();
        timer_.start();
    }
    void stop() { timer_.stop(); }
    double largest() const { return gaps_.empty() ? 0 : *std::max_element(gaps_.begin(), gaps_.end()); }
    double percentile(double p) const {
        if (gaps_.empty()) return 0;
        std::vector<double> sorted = gaps_;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<size_t>(p * static_cast<double>(sorted.size() - 1))];
    }
    size_t ticks() const { return gaps_.size(); }
    // The largest gap less the time the thread waited for a CPU in it.
    double largestWithoutWaiting() const { return withoutWaiting_; }
    // The longest the thread ran between two ticks.
    double longestRun() const { return running_; }

    std::string summary() const {
        char text[200];
        std::snprintf(text, sizeof text,
                      "largest gap %.1f ms, 99th percentile %.1f ms (%zu ticks); without waiting for a CPU at most "
                      "%.1f ms; longest run between ticks %.2f ms",
                      largest(), percentile(0.99), ticks(), largestWithoutWaiting(), longestRun());
        return text;
    }

private:
    QTimer timer_;
    Clock::time_point last_;
    CpuTimes lastTimes_;
    std::vector<double> gaps_;
    double withoutWaiting_ = 0;
    double running_ = 0;
};

// Runs the event loop until `done` holds, checked whenever `signal` fires.
template <class Signal> void runUntil(LibraryModel& model, Signal signal, const std::function<bool()>& done) {
    if (done()) return;
    QEventLoop loop;
    QObject::connect(&model, signal, &loop, [&] {
        if (done()) loop.quit();
    });
    loop.exec();
}

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

} // namespace

int main(int argc, char** argv) {
    bench::BenchPackage p = bench::makeBenchPackage();
    test::HttpsServer server;
    server.serveFile("/catalog.json", p.source + "/catalog.json");
    server.serveFile("/" + p.game.release->archive, p.package);
    test::ScopedEnv home("HOME", p.scratch + "/home");
    test::ScopedEnv data("XDG_DATA_HOME", p.scratch + "/data");
    LauncherResource::setRoot(QStringLiteral(NOVRA_BUNDLE_DIR "/Contents/Resources"));
    Settings settings;
    settings.sourceURL = server.url();
    settings.library = p.scratch + "/library";
    fs::create_directories(p.scratch + "/data/NOVRA Launcher");
    LauncherCore::atomicJSON(settings.encode(), p.scratch + "/data/NOVRA Launcher/settings.json");
    const char* repetitions = std::getenv("NOVRA_BENCH_REPETITIONS");
    const int pairs = repetitions && *repetitions ? std::max(1, std::atoi(repetitions)) : 3;

    QCoreApplication application(argc, argv);
    LibraryModel model;
    if (!model.error().isEmpty()) {
        std::fprintf(stderr, "%s\n", model.error().toUtf8().constData());
        return 1;
    }

    // The baseline: the same timer on an idle main thread for three seconds.
    GapMeter idleGaps;
    {
        idleGaps.start();
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        idleGaps.stop();
    }

    GapMeter refreshGaps;
    std::vector<double> refreshSeconds;
    for (int i = 0; i < 20; ++i) {
        refreshGaps.start();
        const auto start = Clock::now();
        model.refresh();
        runUntil(model, &LibraryModel::checkingChanged, [&] { return !model.checking(); });
        refreshSeconds.push_back(seconds(start));
        refreshGaps.stop();
        if (!model.online()) {
            std::fprintf(stderr, "refresh failed: %s\n", model.connectionDetail().toUtf8().constData());
            return 1;
        }
    }

    GapMeter installGaps;
    std::vector<double> modelSeconds, coreSeconds;
    const std::string gameFolder = settings.library + "/bench";
    auto throughModel = [&] {
        bench::removeAndFlush(gameFolder);
        installGaps.start();
        const auto start = Clock::now();
        model.install(QStringLiteral("bench"));
        runUntil(model, &LibraryModel::busyChanged, [&] { return model.busy().isEmpty(); });
        modelSeconds.push_back(seconds(start));
        installGaps.stop();
        if (!model.error().isEmpty()) throw std::runtime_error(model.error().toStdString());
    };
    // The peer: the same steps on a plain thread, while the main thread only ticks, so that the
    // gaps the machine itself causes during an install are measured too.
    GapMeter coreGaps;
    auto core = [&] {
        bench::removeAndFlush(gameFolder);
        coreGaps.start();
        const auto start = Clock::now();
        std::atomic<bool> done{false};
        std::exception_ptr failure;
        std::thread worker([&] {
            try {
                const Release& release = *p.game.release;
                OperationControl control;
                LauncherCore::checkStorage(settings, release.bytes + release.expandedBytes);
                const std::string package = settings.library + "/.download-" + platform::uuidText() + ".tar.gz";
                LauncherCore::download(settings, release.archive, package, release.bytes, control, {});
                LauncherCore::install(package, p.game, settings, control);
                fs::remove(package);
            } catch (...) {
                failure = std::current_exception();
            }
            done = true;
        });
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done) loop.quit();
        });
        poll.start(1);
        loop.exec();
        worker.join();
        coreSeconds.push_back(seconds(start));
        coreGaps.stop();
        if (failure) std::rethrow_exception(failure);
    };
    for (int i = 0; i < pairs; ++i) {
        if (i % 2 == 0) {
            throughModel();
            core();
        } else {
            core();
            throughModel();
        }
    }

    std::vector<double> ratios;
    for (size_t i = 0; i < modelSeconds.size(); ++i) ratios.push_back(modelSeconds[i] / coreSeconds[i]);
    std::printf("package: %.1f MB, unpacked %.1f MB in %zu files; %d interleaved install pairs\n", p.packageBytes / 1e6,
                p.expandedBytes / 1e6, p.files, pairs);
    std::printf("main thread idle for 3 s: %s\n", idleGaps.summary().c_str());
    std::printf("main thread during 20 refreshes (median %.3f s): %s\n", bench::median(refreshSeconds),
                refreshGaps.summary().c_str());
    std::printf("main thread during the installs through the model: %s\n", installGaps.summary().c_str());
    std::printf("main thread during the core's installs on another thread: %s\n", coreGaps.summary().c_str());
    std::printf("install through the model: median %.3f s, best %.3f s\n", bench::median(modelSeconds),
                *std::min_element(modelSeconds.begin(), modelSeconds.end()));
    std::printf("core install on a plain thread: median %.3f s, best %.3f s\n", bench::median(coreSeconds),
                *std::min_element(coreSeconds.begin(), coreSeconds.end()));
    for (size_t i = 0; i < modelSeconds.size(); ++i)
        std::printf("  pair %zu (%s first): model %.3f s, core %.3f s\n", i + 1, i % 2 == 0 ? "model" : "core",
                    modelSeconds[i], coreSeconds[i]);
    std::printf("ratio model / core: median of pairs %.3f, best against best %.3f\n", bench::median(ratios),
                *std::min_element(modelSeconds.begin(), modelSeconds.end()) /
                    *std::min_element(coreSeconds.begin(), coreSeconds.end()));
    fs::remove_all(p.scratch);
    return 0;
}
