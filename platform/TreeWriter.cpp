#include "platform/TreeWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/Io.h"

namespace novra::platform {
namespace {

[[noreturn]] void fail(int error, const std::string& path) { throw std::system_error(error, std::generic_category(), path); }

} // namespace

OutputFile::OutputFile(OutputFile&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

void OutputFile::write(const void* data, size_t count) {
    try {
        writeAll(fd_, data, count);
    } catch (const std::system_error& e) {
        fail(e.code().value(), path_);
    }
}

void OutputFile::setMode(unsigned mode) {
    if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0) fail(errno, path_);
}

void OutputFile::close() {
    int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close reports an error: never retry.
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) fail(errno, path_);
}

TreeWriter::TreeWriter(std::string root) : root_(std::move(root)) {
    rootFd_ = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (rootFd_ < 0) fail(errno, root_);
}

TreeWriter::~TreeWriter() {
    dropFrom(0);
    ::close(rootFd_);
}

void TreeWriter::dropFrom(size_t depth) {
    while (chain_.size() > depth) {
        ::close(chain_.back().fd);
        chain_.pop_back();
    }
}

std::string TreeWriter::pathOf(std::string_view relative) const {
    std::string path = root_;
    if (!relative.empty()) {
        path += '/';
        path += relative;
    }
    return path;
}

int TreeWriter::enter(std::string_view relative) {
    size_t depth = 0;
    size_t start = 0;
    while (start < relative.size()) {
        size_t slash = relative.find('/', start);
        size_t end = slash == std::string_view::npos ? relative.size() : slash;
        std::string_view piece = relative.substr(start, end - start);
        if (depth < chain_.size() && chain_[depth].name == piece) {
            ++depth;
        } else {
            // A different branch from here on: the cached levels below no longer apply.
            dropFrom(depth);
            int parent = depth == 0 ? rootFd_ : chain_.back().fd;
            std::string name(piece);
            if (::mkdirat(parent, name.c_str(), 0755) == 0)
                ++created_;
            else if (errno != EEXIST)
                fail(errno, pathOf(relative.substr(0, end)));
            int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) {
                // A link or a file where a directory belongs.
                int error = errno == ELOOP ? ENOTDIR : errno;
                fail(error, pathOf(relative.substr(0, end)));
            }
            chain_.push_back({std::move(name), fd});
            ++depth;
        }
        start = end + 1;
    }
    return depth == 0 ? rootFd_ : chain_[depth - 1].fd;
}

void TreeWriter::makeDirectory(std::string_view relative) { enter(relative); }

OutputFile TreeWriter::createFile(std::string_view relative, std::error_code& error) {
    size_t slash = relative.rfind('/');
    int parent = enter(slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash));
    std::string leaf(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    int fd = ::openat(parent, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return {};
    }
    error.clear();
    return OutputFile(fd, pathOf(relative));
}

} // namespace novra::platform
