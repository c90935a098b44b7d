#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/rand.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace novra::platform {
namespace {

std::system_error systemError(const std::string& what) { return std::system_error(errno, std::generic_category(), what); }

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

std::string uuidText() {
    unsigned char b[16];
    if (RAND_bytes(b, sizeof b) != 1) throw std::system_error(std::make_error_code(std::errc::io_error), "RAND_bytes");
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40); // version 4
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80); // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                  b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

bool isUUIDText(std::string_view text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

void writeFileAtomically(const std::string& path, std::string_view contents, unsigned mode) {
    std::string directory = directoryOf(path);
    std::string temporary = directory + "/." + uuidText() + ".tmp";
    {
        Descriptor out;
        const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
        out.fd = ::open(temporary.c_str(), flags, static_cast<mode_t>(mode));
        if (out.fd < 0) throw systemError(temporary);
        const char* data = contents.data();
        size_t left = contents.size();
        while (left > 0) {
            ssize_t wrote = ::write(out.fd, data, left);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote < 0) {
                int saved = errno;
                ::unlink(temporary.c_str());
                throw std::system_error(saved, std::generic_category(), temporary);
            }
            data += wrote;
            left -= static_cast<size_t>(wrote);
        }
        if (::fsync(out.fd) != 0) {
            int saved = errno;
            ::unlink(temporary.c_str());
            throw std::system_error(saved, std::generic_category(), temporary);
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(temporary.c_str());
        throw std::system_error(saved, std::generic_category(), path);
    }
    Descriptor dir;
    dir.fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0) ::fsync(dir.fd);
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

bool makeRealDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) throw systemError(path);
    return isRealDirectory(path);
}

bool isRealDirectory(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string readFile(const std::string& path, long long limit) {
    return File::openForReading(path).readAll(limit);
}

std::string readRegularFile(const std::string& path, long long limit) {
    File file = File::openNoFollow(path);
    if (!file.status().regular)
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), path);
    return file.readAll(limit);
}

File File::openForReading(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw systemError(path);
    return File(fd, path);
}

File File::openNoFollow(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw systemError(path);
    return File(fd, path);
}

File File::createForWriting(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw systemError(path);
    return File(fd, path);
}

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

File::~File() { close(); }

void File::close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

size_t File::read(void* buffer, size_t size) {
    if (fd_ < 0) throw std::system_error(std::make_error_code(std::errc::bad_file_descriptor), path_);
    auto* into = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(fd_, into + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw systemError(path_);
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

std::string File::readAll(long long limit) {
    std::string result;
    char buffer[65536];
    for (;;) {
        size_t got = read(buffer, sizeof buffer);
        if (got == 0) break;
        result.append(buffer, got);
        if (limit >= 0 && static_cast<long long>(result.size()) > limit) {
            result.resize(static_cast<size_t>(limit) + 1);
            break;
        }
    }
    return result;
}

std::string File::handlePath() const {
    return "/proc/self/fd/" + std::to_string(fd_);
}

FileStatus File::status() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) throw systemError(path_);
    return {S_ISREG(info.st_mode), static_cast<int64_t>(info.st_size), info.st_uid == ::geteuid(),
            (info.st_mode & (S_IWGRP | S_IWOTH)) != 0};
}

std::optional<int64_t> fileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        throw systemError(path);
    }
    return static_cast<int64_t>(st.st_size);
}

} // namespace novra::platform
