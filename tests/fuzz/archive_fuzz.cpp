// libFuzzer target for the archive reader. An input is a 4-byte little-endian signed expected size
// followed by the decompressed tar bytes, which reach the reader through a pipe, as gzip's output
// does. Beyond the sanitizers, every run checks what the reader promises: only directories and
// regular files in the destination, nothing outside it, progress within 0..1 and never going back,
// and on success regular files adding up to the expected size.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/ArchiveStream.h"
#include "core/LauncherError.h"

namespace fs = std::filesystem;

namespace {

// Largest pipe the reader's input gets here; inputs must fit so the harness never blocks.
constexpr size_t kPipeBytes = 1 << 20;

std::string gRoot;

[[noreturn]] void broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "archive_fuzz: %s %s\n", what, detail.c_str());
    std::abort();
}

std::string scratchBase() {
    if (const char* base = std::getenv("NOVRA_FUZZ_SCRATCH"); base && *base) return base;
    // Thousands of small trees per second: a memory file system when there is one.
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

void removeRoot() {
    std::error_code ec;
    if (!gRoot.empty()) fs::remove_all(gRoot, ec);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = scratchBase() + "/novra-archive-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) broken("mkdtemp failed");
    gRoot = pattern;
    fs::create_directory(gRoot + "/outside");
    std::FILE* keep = std::fopen((gRoot + "/outside/keep").c_str(), "w");
    if (!keep) broken("cannot write the sentinel");
    std::fputs("keep", keep);
    std::fclose(keep);
    std::atexit(removeRoot);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size - 4 > kPipeBytes) return -1;
    int32_t expected = static_cast<int32_t>(uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 |
                                            uint32_t{data[3]} << 24);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) broken("pipe");
    if (::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(kPipeBytes)) < static_cast<int>(size - 4)) {
        ::close(fds[0]);
        ::close(fds[1]);
        return -1;
    }
    for (size_t done = 4; done < size;) {
        ssize_t wrote = ::write(fds[1], data + done, size - done);
        if (wrote <= 0) broken("pipe write");
        done += static_cast<size_t>(wrote);
    }
    ::close(fds[1]);

    const std::string destination = gRoot + "/dest";
    fs::create_directory(destination);
    novra::OperationControl control;
    double last = 0;
    bool succeeded = false;
    try {
        novra::LauncherCore::archive::expand(
            fds[0], destination, expected, control,
            [&](double p) {
                if (!(p >= last && p <= 1.0)) broken("progress out of order");
                last = p;
            },
            [] { return 0; });
        succeeded = true;
    } catch (const novra::LauncherError&) {
    } catch (const std::system_error&) {
    }
    ::close(fds[0]);

    int64_t total = 0;
    bool unfinished = false;
    for (auto it = fs::recursive_directory_iterator(destination); it != fs::recursive_directory_iterator(); ++it) {
        auto status = it->symlink_status();
        if (fs::is_regular_file(status)) {
            total += static_cast<int64_t>(it->file_size());
            // Finished files are 0644 or 0755; one cut short keeps its creation mode.
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0) broken("lstat", it->path().string());
            unsigned mode = st.st_mode & 07777;
            if (mode != 0644 && mode != 0755 && mode != 0600) broken("unexpected file mode", it->path().string());
            unfinished = unfinished || mode == 0600;
        } else if (!fs::is_directory(status)) {
            broken("neither a directory nor a regular file", it->path().string());
        }
    }
    if (succeeded && total != expected) broken("sizes do not add up");
    if (succeeded && unfinished) broken("a file without its final mode");
    size_t outside = 0;
    for (const auto& entry : fs::directory_iterator(gRoot)) {
        (void)entry;
        ++outside;
    }
    if (outside != 2 || fs::file_size(gRoot + "/outside/keep") != 4) broken("something changed outside");
    fs::remove_all(destination);
    return 0;
}
