// Unpacking speed and memory of the package reader against the system's `tar -xzf` on the same
// packages in the same run. Builds two packages first: about 500 MB of mixed compressible and
// incompressible files, and one of 100,000 small files. Prints a table of medians.
//
//   bench_archive_bench [--dir DIR] [--runs N] [--large-mb MB] [--small-files N]
//
// DIR (default $TMPDIR or /tmp) holds the packages and the unpacked trees; it should be on the disk
// the launcher's library would live on. Peak memory is the process's peak resident size during one
// unpack minus its resident size just before it: each unpack runs in a fresh process (this program,
// started again), so the figure is not hidden by memory that earlier work left resident.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/LauncherCore.h"
#include "packaging/Ustar.h"
#include "platform/Process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    std::string dir;
    int runs = 3;
    int64_t largeMB = 500;
    int smallFiles = 100'000;
};

struct Package {
    std::string name;
    std::string path;
    int64_t expandedBytes = 0;
    int64_t files = 0;
};

long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

// Text-like bytes: words from a small vocabulary, so gzip shrinks them several times.
std::string compressible(size_t bytes, std::mt19937_64& random) {
    static const char* words[] = {"vertex", "shader", "texture", "level", "mesh", "anim", "sound", "0.25",
                                  "1024",   "{",      "}",       "true",  "name", "id",   "scene", "light"};
    std::string text;
    text.reserve(bytes + 16);
    while (text.size() < bytes) {
        text += words[random() % 16];
        text += random() % 8 == 0 ? '\n' : ' ';
    }
    text.resize(bytes);
    return text;
}

std::string incompressible(size_t bytes, std::mt19937_64& random) {
    std::string data(bytes, '\0');
    for (size_t i = 0; i + 8 <= bytes; i += 8) {
        uint64_t v = random();
        std::memcpy(data.data() + i, &v, 8);
    }
    return data;
}

void writeFile(const fs::path& path, const std::string& data) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Half text-like, half random, in files from 4 KiB to 64 MiB.
Package largePackage(const Options& o) {
    fs::path source = fs::path(o.dir) / "large-source";
    fs::remove_all(source);
    std::mt19937_64 random(7);
    int64_t target = o.largeMB * 1'000'000;
    int64_t written = 0;
    int n = 0;
    while (written < target) {
        size_t size = n % 10 == 0   ? size_t{64} << 20
                      : n % 3 == 0  ? size_t{8} << 20
                      : n % 3 == 1  ? size_t{600} << 10
                                    : size_t{4} << 10;
        size = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), target - written));
        bool text = n % 2 == 0;
        fs::path path = source / "Contents" / (text ? "Resources" : "Data") / ("d" + std::to_string(n % 7)) /
                        ("file" + std::to_string(n) + (text ? ".txt" : ".bin"));
        writeFile(path, text ? compressible(size, random) : incompressible(size, random));
        written += static_cast<int64_t>(size);
        ++n;
    }
    Package p{"large (mixed)", (fs::path(o.dir) / "large.tar.gz").string()};
    auto stats = novra::packaging::writePackage(source.string(), "Large.app", p.path);
    fs::remove_all(source);
    p.expandedBytes = stats.expandedBytes;
    p.files = stats.files;
    return p;
}

// Small files of 64 bytes to 4 KiB, 1,000 to a folder, written straight as archive bytes.
Package smallPackage(const Options& o) {
    using novra::packaging::UstarHeader;
    std::mt19937_64 random(11);
    std::string tar = novra::packaging::ustarEntry(UstarHeader::directory("Small.app"));
    Package p{"100,000 small files", (fs::path(o.dir) / "small.tar.gz").string()};
    for (int i = 0; i < o.smallFiles; ++i) {
        std::string folder = "Small.app/Contents/Resources/d" + std::to_string(i / 1000);
        if (i % 1000 == 0) tar += novra::packaging::ustarEntry(UstarHeader::directory(folder));
        size_t size = 64 + random() % 4033;
        std::string data = i % 2 == 0 ? compressible(size, random) : incompressible(size, random);
        tar += novra::packaging::ustarEntry(
            UstarHeader::file(folder + "/f" + std::to_string(i) + ".dat", static_cast<int64_t>(size)), data);
        p.expandedBytes += static_cast<int64_t>(size);
        ++p.files;
    }
    tar += novra::packaging::ustarEnd();
    novra::packaging::gzipBytes(tar, p.path);
    return p;
}

std::string freshDestination(const Options& o) {
    fs::path d = fs::path(o.dir) / "unpacked";
    fs::remove_all(d);
    fs::create_directories(d);
    // Earlier runs' dirty pages go to the disk now, not during the next measurement.
    ::sync();
    return d.string();
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void runTool(const std::string& program, const std::vector<std::string>& args) {
    novra::platform::Process p(program, args);
    p.standardInput = novra::platform::Redirect::null();
    p.launch();
    if (p.wait() != 0) throw std::runtime_error(program + " failed");
}

struct Figures {
    double unpack = 0, tar = 0, gunzip = 0;
    long peakKiB = 0;
};

Figures measure(const Options& o, const Package& p) {
    std::vector<double> unpackTimes, tarTimes, gunzipTimes;
    long peak = 0;
    auto timeUnpack = [&] {
        std::string d = freshDestination(o);
        auto start = Clock::now();
        novra::platform::Process self("/proc/self/exe", {"--unpack", p.path, d, std::to_string(p.expandedBytes)});
        self.standardInput = novra::platform::Redirect::null();
        self.standardOutput = novra::platform::Redirect::capture();
        self.launch();
        if (self.wait() != 0) throw std::runtime_error("unpack failed");
        double t = seconds(Clock::now() - start);
        peak = std::max(peak, std::atol(self.captured(1).c_str()));
        return t;
    };
    auto timeTar = [&] {
        std::string d = freshDestination(o);
        auto start = Clock::now();
        runTool("/usr/bin/tar", {"-xzf", p.path, "-C", d});
        return seconds(Clock::now() - start);
    };
    auto timeGunzip = [&] {
        auto start = Clock::now();
        novra::platform::Process gz("/usr/bin/gzip", {"-dc", p.path});
        gz.standardOutput = novra::platform::Redirect::null();
        gz.launch();
        gz.wait();
        return seconds(Clock::now() - start);
    };
    // One unmeasured round warms the page cache with the package.
    timeUnpack();
    timeTar();
    for (int i = 0; i < o.runs; ++i) {
        // Alternate the order so that neither tool always runs right after the other's clean-up.
        if (i % 2 == 0) {
            unpackTimes.push_back(timeUnpack());
            tarTimes.push_back(timeTar());
        } else {
            tarTimes.push_back(timeTar());
            unpackTimes.push_back(timeUnpack());
        }
        gunzipTimes.push_back(timeGunzip());
    }
    fs::remove_all(fs::path(o.dir) / "unpacked");
    return {median(unpackTimes), median(tarTimes), median(gunzipTimes), peak};
}

} // namespace

// The measured side: unpacks one package and prints its peak resident size above the resident size
// it had just before, in KiB.
int unpackOnly(const std::string& archive, const std::string& destination, int64_t expandedBytes) {
    long before = statusKiB("VmRSS:");
    novra::OperationControl control;
    novra::LauncherCore::unpack(archive, destination, expandedBytes, control);
    std::printf("%ld\n", statusKiB("VmHWM:") - before);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--unpack") {
        try {
            return unpackOnly(argv[2], argv[3], std::stoll(argv[4]));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "unpack: %s\n", e.what());
            return 1;
        }
    }
    Options o;
    const char* tmp = std::getenv("TMPDIR");
    o.dir = tmp && *tmp ? tmp : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        std::string value = argv[i + 1];
        if (key == "--dir") o.dir = value;
        else if (key == "--runs") o.runs = std::stoi(value);
        else if (key == "--large-mb") o.largeMB = std::stoll(value);
        else if (key == "--small-files") o.smallFiles = std::stoi(value);
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    o.dir = (fs::path(o.dir) / "novra-archive-bench").string();
    fs::create_directories(o.dir);
    try {
        std::printf("building packages in %s ...\n", o.dir.c_str());
        std::fflush(stdout);
        std::vector<Package> packages = {largePackage(o), smallPackage(o)};
        std::printf("%-22s %10s %10s %8s %10s %10s %10s %7s %12s\n", "package", "tar.gz MB", "files MB", "files",
                    "unpack s", "tar -xzf s", "gzip -dc s", "ratio", "peak +MiB");
        for (const Package& p : packages) {
            Figures f = measure(o, p);
            std::printf("%-22s %10.1f %10.1f %8lld %10.3f %10.3f %10.3f %7.3f %12.2f\n", p.name.c_str(),
                        static_cast<double>(fs::file_size(p.path)) / 1e6, static_cast<double>(p.expandedBytes) / 1e6,
                        static_cast<long long>(p.files), f.unpack, f.tar, f.gunzip, f.unpack / f.tar,
                        static_cast<double>(f.peakKiB) / 1024.0);
            std::fflush(stdout);
        }
        std::printf("medians of %d runs each; unpack = LauncherCore::unpack in a fresh process, ratio = unpack / tar\n",
                    o.runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        fs::remove_all(o.dir);
        return 1;
    }
    fs::remove_all(o.dir);
    return 0;
}
