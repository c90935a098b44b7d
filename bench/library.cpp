// The window never freezes while the library model works: the largest gap between two ticks of a
// 5 ms timer on the main thread during catalog refreshes and during installs of a package of about
// 500 MB through the model, and the model's install against the core's own install of the same
// package in the same run (storage check, download over loopback HTTPS, install, on one thread).
//
//   build/bench/bench_library   (NOVRA_BENCH_EXPANDED_MB and NOVRA_BENCH_DIR as for bench_install;
//                                NOVRA_BENCH_REPETITIONS interleaved install pairs, default 3)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "BenchPackage.h"
#include "core/LauncherCore.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/library/Resources.h"
#include "platform/Files.h"
#include "support/HttpsServer.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Ticks of a 5 ms timer on the main thread; the gaps between them while measuring.
class GapMeter {
public:
    GapMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            gaps_.push_back(std::chrono::duration<double, std::milli>(now - last_).count());
            last_ = now;
        });
    }
    void start() {
        last_ = Clock::now();
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

private:
    QTimer timer_;
    Clock::time_point last_;
    std::vector<double> gaps_;
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
    setResourceFolder(std::string(NOVRA_BUNDLE_DIR) + "/Contents/Resources");
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
    auto core = [&] {
        bench::removeAndFlush(gameFolder);
        const auto start = Clock::now();
        const Release& release = *p.game.release;
        OperationControl control;
        LauncherCore::checkStorage(settings, release.bytes + release.expandedBytes);
        const std::string package = settings.library + "/.download-" + platform::uuidText() + ".tar.gz";
        LauncherCore::download(settings, release.archive, package, release.bytes, control, {});
        LauncherCore::install(package, p.game, settings, control);
        fs::remove(package);
        coreSeconds.push_back(seconds(start));
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
    std::printf("refresh (20 runs, median %.3f s): largest main-thread gap %.1f ms, 99th percentile %.1f ms, %zu ticks\n",
                bench::median(refreshSeconds), refreshGaps.largest(), refreshGaps.percentile(0.99), refreshGaps.ticks());
    std::printf("install through the model: largest main-thread gap %.1f ms, 99th percentile %.1f ms, %zu ticks\n",
                installGaps.largest(), installGaps.percentile(0.99), installGaps.ticks());
    std::printf("install through the model: median %.3f s, best %.3f s\n", bench::median(modelSeconds),
                *std::min_element(modelSeconds.begin(), modelSeconds.end()));
    std::printf("core install on one thread: median %.3f s, best %.3f s\n", bench::median(coreSeconds),
                *std::min_element(coreSeconds.begin(), coreSeconds.end()));
    std::printf("ratio model / core: median of pairs %.3f, best against best %.3f\n", bench::median(ratios),
                *std::min_element(modelSeconds.begin(), modelSeconds.end()) /
                    *std::min_element(coreSeconds.begin(), coreSeconds.end()));
    fs::remove_all(p.scratch);
    return 0;
}
