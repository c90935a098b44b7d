#pragma once
// A large game package for the benchmarks, made once per run with the studio's tool from a bundle
// of mixed data: incompressible textures, text-like levels, half-compressible audio banks and many
// small scripts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Catalog.h"

namespace novra::bench {

struct BenchPackage {
    std::string scratch; // the benchmark's folder; the caller removes it
    std::string source;  // a build source: catalog.json and packages/1.0.tar.gz
    std::string package; // the package file inside the source
    Game game;           // the source's entry of the game "bench"
    int64_t packageBytes = 0;
    int64_t expandedBytes = 0;
    size_t files = 0;
};

// Makes a scratch folder below NOVRA_BENCH_DIR (default $TMPDIR, then /tmp), a bundle of
// NOVRA_BENCH_EXPANDED_MB megabytes (default 860, a package of about 500 MB) and publishes it into
// the scratch folder's "source"; the seal key is trusted from then on. Throws std::runtime_error.
BenchPackage makeBenchPackage();

// Removes a file or folder and flushes the file systems, so the next run starts from a quiet disk.
void removeAndFlush(const std::string& path);

// The median of the values (0 for none).
double median(std::vector<double> values);

// Runs a program by absolute path with its output to the null device; returns its exit status.
int runQuietly(const std::string& program, const std::vector<std::string>& arguments);

} // namespace novra::bench
