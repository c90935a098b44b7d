#include "packaging/Ustar.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/Io.h"
#include "platform/Process.h"
#include "platform/Tools.h"

namespace fs = std::filesystem;

namespace novra::packaging {
namespace {

constexpr size_t kNameLength = 100;
constexpr size_t kPrefixLength = 155;
constexpr size_t kChecksumAt = 148;
constexpr size_t kChecksumLength = 8;
constexpr size_t kCopyChunk = 1 << 20;
// 11 octal digits.
constexpr int64_t kLargestSize = (int64_t{1} << 33) - 1;

std::string octalText(uint64_t value, size_t digits) {
    std::string text(digits, '0');
    for (size_t i = digits; i-- > 0 && value != 0; value >>= 3) text[i] = static_cast<char>('0' + (value & 7));
    return text;
}

// Collects archive bytes and hands them to gzip in large writes.
class PipeWriter {
public:
    explicit PipeWriter(int fd) : fd_(fd) { buffer_.reserve(kCopyChunk); }
    void append(std::string_view bytes) {
        buffer_.append(bytes);
        if (buffer_.size() >= kCopyChunk) flush();
    }
    void flush() {
        platform::writeToPipe(fd_, buffer_.data(), buffer_.size());
        buffer_.clear();
    }

private:
    int fd_;
    std::string buffer_;
};

class PackageWriter {
public:
    explicit PackageWriter(PipeWriter& out) : out_(out) {}

    void directory(const std::string& archivePath) {
        out_.append(UstarHeader::directory(archivePath).block());
        ++stats.directories;
    }

    void file(const fs::path& source, const std::string& archivePath) {
        std::error_code ec;
        auto status = fs::status(source, ec);
        if (ec) throw std::system_error(ec, source.string());
        uintmax_t size = fs::file_size(source, ec);
        if (ec) throw std::system_error(ec, source.string());
        if (size > static_cast<uintmax_t>(kLargestSize))
            throw std::runtime_error("Файл слишком большой для пакета: " + source.string());
        bool executable = (status.permissions() & (fs::perms::owner_exec | fs::perms::group_exec |
                                                    fs::perms::others_exec)) != fs::perms::none;
        out_.append(UstarHeader::file(archivePath, static_cast<int64_t>(size), executable ? 0755 : 0644).block());

        std::ifstream in(source, std::ios::binary);
        if (!in) throw std::runtime_error("Не удалось прочитать файл: " + source.string());
        if (!chunk_) chunk_ = std::make_unique_for_overwrite<char[]>(kCopyChunk);
        uintmax_t left = size;
        while (left > 0) {
            std::streamsize want = static_cast<std::streamsize>(std::min<uintmax_t>(left, kCopyChunk));
            in.read(chunk_.get(), want);
            if (in.gcount() != want) throw std::runtime_error("Файл изменился во время упаковки: " + source.string());
            out_.append(std::string_view(chunk_.get(), static_cast<size_t>(want)));
            left -= static_cast<uintmax_t>(want);
        }
        if (in.peek() != std::char_traits<char>::eof())
            throw std::runtime_error("Файл изменился во время упаковки: " + source.string());
        size_t padding = (kUstarBlock - size % kUstarBlock) % kUstarBlock;
        out_.append(std::string(padding, '\0'));
        ++stats.files;
        stats.expandedBytes += static_cast<int64_t>(size);
    }

    // The contents of `source` below `archivePath`, directories before what they hold.
    void tree(const fs::path& source, const std::string& archivePath) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(source)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            fs::path item = source / name;
            std::string path = archivePath + "/" + name;
            auto status = fs::symlink_status(item);
            if (fs::is_directory(status)) {
                directory(path);
                tree(item, path);
            } else if (fs::is_regular_file(status)) {
                file(item, path);
            } else {
                throw std::runtime_error("Ссылки и специальные файлы в пакете запрещены: " + item.string());
            }
        }
    }

    PackageStats stats;

private:
    PipeWriter& out_;
    std::unique_ptr<char[]> chunk_;
};

} // namespace

UstarHeader::UstarHeader() {
    mode(0644);
    field(108, 8, octalText(0, 7)); // owner
    field(116, 8, octalText(0, 7)); // group
    size(0);
    field(136, 12, octalText(0, 11)); // modification time
    type('0');
    magic("ustar");
    raw(263, "00");
}

UstarHeader UstarHeader::file(std::string_view path, int64_t size, unsigned mode) {
    UstarHeader header;
    header.path(path).size(size).mode(mode).type('0');
    return header;
}

UstarHeader UstarHeader::directory(std::string_view path) {
    UstarHeader header;
    std::string text(path);
    if (text.empty() || text.back() != '/') text += '/';
    header.path(text).mode(0755).type('5');
    return header;
}

UstarHeader& UstarHeader::path(std::string_view path) {
    if (path.size() <= kNameLength) return prefix("").name(path);
    // The longest name that fits (the shortest prefix), split at a "/".
    for (size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1)) {
        std::string_view head = path.substr(0, slash);
        std::string_view tail = path.substr(slash + 1);
        if (head.size() > kPrefixLength) break;
        if (!tail.empty() && tail.size() <= kNameLength) return prefix(head).name(tail);
    }
    throw std::invalid_argument("Слишком длинный путь для пакета: " + std::string(path));
}

UstarHeader& UstarHeader::name(std::string_view text) { return field(0, kNameLength, text); }
UstarHeader& UstarHeader::prefix(std::string_view text) { return field(345, kPrefixLength, text); }
UstarHeader& UstarHeader::mode(unsigned mode) { return field(100, 8, octalText(mode & 07777, 7)); }

UstarHeader& UstarHeader::size(int64_t size) {
    if (size < 0 || size > kLargestSize) throw std::invalid_argument("size does not fit a ustar header");
    return field(124, 12, octalText(static_cast<uint64_t>(size), 11));
}

UstarHeader& UstarHeader::type(char flag) { return raw(156, std::string_view(&flag, 1)); }
UstarHeader& UstarHeader::magic(std::string_view text) { return field(257, 6, text); }
UstarHeader& UstarHeader::linkName(std::string_view text) { return field(157, 100, text); }

UstarHeader& UstarHeader::field(size_t offset, size_t length, std::string_view text) {
    if (offset + length > kUstarBlock || text.size() > length) throw std::invalid_argument("field does not fit");
    std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(offset),
              bytes_.begin() + static_cast<std::ptrdiff_t>(offset + length), '\0');
    std::copy(text.begin(), text.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
}

UstarHeader& UstarHeader::raw(size_t offset, std::string_view bytes) {
    if (offset + bytes.size() > kUstarBlock) throw std::invalid_argument("bytes do not fit");
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
}

UstarHeader& UstarHeader::checksum(std::string_view text) {
    field(kChecksumAt, kChecksumLength, text);
    fixedChecksum_ = true;
    return *this;
}

unsigned UstarHeader::computedChecksum() const {
    unsigned sum = 0;
    for (size_t i = 0; i < kUstarBlock; ++i)
        sum += (i >= kChecksumAt && i < kChecksumAt + kChecksumLength) ? 32u : static_cast<unsigned char>(bytes_[i]);
    return sum;
}

std::string UstarHeader::block() const {
    std::string block(bytes_.begin(), bytes_.end());
    if (!fixedChecksum_) {
        // Six octal digits, NUL, space: the customary form.
        std::string text = octalText(computedChecksum(), 6);
        text += '\0';
        text += ' ';
        std::copy(text.begin(), text.end(), block.begin() + kChecksumAt);
    }
    return block;
}

std::string ustarEntry(const UstarHeader& header, std::string_view data) {
    std::string entry = header.block();
    entry.append(data);
    entry.append((kUstarBlock - data.size() % kUstarBlock) % kUstarBlock, '\0');
    return entry;
}

std::string ustarEnd() { return std::string(2 * kUstarBlock, '\0'); }

namespace {

// Runs gzip from standard input into `output`; `produce` writes the uncompressed bytes.
template <typename Produce>
void compressInto(const std::string& output, Produce&& produce) {
    platform::WritableFile out(output);
    platform::Process gzip(platform::tools().gzip, {"-c", "-n"});
    gzip.standardInput = platform::Redirect::stream();
    gzip.standardOutput = platform::Redirect::descriptor(out.fd());
    gzip.standardError = platform::Redirect::capture();
    gzip.launch();
    try {
        PipeWriter pipe(gzip.streamFd(0));
        produce(pipe);
        pipe.flush();
        gzip.closeStream(0);
        int status = gzip.wait();
        if (status != 0) throw std::runtime_error("gzip завершился с ошибкой: " + gzip.captured(2));
        out.close();
    } catch (...) {
        gzip.closeStream(0);
        gzip.kill();
        gzip.wait();
        std::error_code ignored;
        fs::remove(output, ignored);
        throw;
    }
}

} // namespace

void gzipBytes(std::string_view bytes, const std::string& output) {
    compressInto(output, [&](PipeWriter& pipe) { pipe.append(bytes); });
}

PackageStats writePackage(const std::string& sourceDir, const std::string& topLevelName, const std::string& outputTarGz) {
    if (!fs::is_directory(sourceDir)) throw std::runtime_error("Нет папки для упаковки: " + sourceDir);
    if (topLevelName.empty() || topLevelName.front() == '/' || topLevelName.back() == '/')
        throw std::runtime_error("Неверное имя верхней папки пакета: " + topLevelName);
    PackageStats stats;
    compressInto(outputTarGz, [&](PipeWriter& pipe) {
        PackageWriter writer(pipe);
        for (size_t slash = topLevelName.find('/'); slash != std::string::npos; slash = topLevelName.find('/', slash + 1))
            writer.directory(topLevelName.substr(0, slash));
        writer.directory(topLevelName);
        writer.tree(sourceDir, topLevelName);
        pipe.append(ustarEnd());
        stats = writer.stats;
    });
    return stats;
}

} // namespace novra::packaging
