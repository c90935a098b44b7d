#include "core/Archive.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/ArchiveStream.h"
#include "core/Catalog.h"
#include "core/LauncherError.h"
#include "platform/Io.h"
#include "platform/Process.h"
#include "platform/Tools.h"
#include "platform/TreeWriter.h"

namespace novra::LauncherCore {
namespace {

constexpr size_t kBlock = 512;
// Pieces of a path: deeper ones are refused (a few hundred bytes of headers could otherwise ask
// for a hundred folders each).
constexpr size_t kMaxDepth = 64;
constexpr size_t kTrailingZerosLimit = 10'240;
constexpr size_t kTrailingRead = 8'192;
// File data is copied in pieces of at most this size; it is also the whole read buffer.
constexpr size_t kChunk = 1'048'576;

// Header fields: offset and length within the 512-byte block.
constexpr size_t kNameAt = 0, kNameLength = 100;
constexpr size_t kModeAt = 100, kModeLength = 8;
constexpr size_t kSizeAt = 124, kSizeLength = 12;
constexpr size_t kChecksumAt = 148, kChecksumLength = 8;
constexpr size_t kTypeAt = 156;
constexpr size_t kMagicAt = 257, kMagicLength = 6;
constexpr size_t kPrefixAt = 345, kPrefixLength = 155;

const char* const kTruncated = "Повреждённый архив";
const char* const kBadEnd = "Повреждённый конец архива";
const char* const kTrailingData = "Лишние данные в архиве";
const char* const kSizeOrChecksum = "Размер или контрольная сумма архива неверны";
const char* const kTooManyEntries = "Слишком много файлов в пакете";
const char* const kUnsupported = "Неподдерживаемый или повреждённый архив";
const char* const kUnsafePath = "Опасный или повторный путь в архиве";
const char* const kSpecialFile = "Ссылки и специальные файлы в пакете запрещены";
const char* const kBadDirectory = "Неверный каталог в архиве";
const char* const kTooLarge = "Распакованный пакет больше указанного размера";
const char* const kExists = "Повторный путь в архиве";
const char* const kCannotCreate = "Не удалось создать файл";
const char* const kBadName = "Неверное имя в архиве";
const char* const kBadHeader = "Неверный заголовок архива";

bool allZero(const char* data, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (data[i] != 0) return false;
    return true;
}

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool validUTF8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        uint32_t scalar;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            scalar = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            scalar = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            scalar = c & 0x07;
        } else {
            return false;
        }
        if (n - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            unsigned char d = p[i + k];
            if ((d & 0xC0) != 0x80) return false;
            scalar = (scalar << 6) | (d & 0x3F);
        }
        if ((length == 3 && scalar < 0x800) || (length == 4 && (scalar < 0x10000 || scalar > 0x10FFFF)) ||
            (scalar >= 0xD800 && scalar <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// A text field: the bytes up to the first NUL, which must be UTF-8.
std::string_view field(const char* header, size_t offset, size_t length) {
    std::string_view raw(header + offset, length);
    size_t nul = raw.find('\0');
    if (nul != std::string_view::npos) raw = raw.substr(0, nul);
    if (!validUTF8(raw)) throw LauncherError(kBadName);
    return raw;
}

// An octal field: a text field trimmed of spaces and tabs, an optional sign, octal digits, within
// a signed 64-bit value and not negative.
int64_t octal(const char* header, size_t offset, size_t length) {
    std::string_view text = field(header, offset, length);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) throw LauncherError(kBadHeader);
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '7') throw LauncherError(kBadHeader);
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (kMax - digit) / 8) throw LauncherError(kBadHeader);
        value = value * 8 + digit;
    }
    if (negative && value != 0) throw LauncherError(kBadHeader);
    return static_cast<int64_t>(value);
}

// The key that tells two paths apart the way a case-insensitive, normalising file system would:
// canonical composition (NFC), then each character lower-cased.
void pathKey(std::string_view path, std::string& key) {
    key.clear();
    bool ascii = std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        key.assign(path);
        for (char& c : key)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return;
    }
    utf8proc_uint8_t* composed = nullptr;
    utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(path.data()), static_cast<utf8proc_ssize_t>(path.size()),
                     &composed, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    if (length < 0) throw LauncherError(kBadName);
    std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(composed, &std::free);
    utf8proc_ssize_t at = 0;
    while (at < length) {
        utf8proc_int32_t scalar;
        utf8proc_ssize_t used = utf8proc_iterate(composed + at, length - at, &scalar);
        if (used <= 0) throw LauncherError(kBadName);
        at += used;
        utf8proc_uint8_t lower[4];
        utf8proc_ssize_t written = utf8proc_encode_char(utf8proc_tolower(scalar), lower);
        key.append(reinterpret_cast<const char*>(lower), static_cast<size_t>(written));
    }
}

// The set of path keys seen in one archive. Stored as a tree of "/"-separated pieces, so a
// directory's key is kept once however many entries lie below it: 100,000 entries take a few MiB.
class PathKeys {
public:
    // Adds the key; false when it was there already.
    bool insert(std::string_view key) {
        uint32_t node = 0;
        size_t start = 0;
        for (;;) {
            size_t slash = key.find('/', start);
            size_t end = slash == std::string_view::npos ? key.size() : slash;
            node = child(node, key.substr(start, end - start));
            if (slash == std::string_view::npos) break;
            start = end + 1;
        }
        Node& n = nodes_[node - 1];
        if (n.entry) return false;
        n.entry = true;
        return true;
    }

private:
    struct Node {
        uint32_t parent; // 0 for a piece at the top
        uint32_t hash;
        uint32_t offset; // of the piece in the name blocks
        uint16_t length;
        bool entry; // an archive entry has this key (and not only keys below it)
    };
    static constexpr size_t kNameBlock = 65536;

    static uint32_t hashOf(uint32_t parent, std::string_view piece) {
        uint64_t h = 1469598103934665603ull ^ (uint64_t{parent} * 0x9E3779B97F4A7C15ull);
        for (char c : piece) {
            h ^= static_cast<unsigned char>(c);
            h *= 1099511628211ull;
        }
        return static_cast<uint32_t>(h ^ (h >> 32));
    }

    std::string_view nameOf(const Node& n) const {
        return {names_[n.offset / kNameBlock].get() + n.offset % kNameBlock, n.length};
    }

    uint32_t child(uint32_t parent, std::string_view piece) {
        // Keys come from paths of at most 256 bytes, so a piece always fits a name block.
        if (piece.size() >= kNameBlock) throw LauncherError(kBadName);
        if ((nodes_.size() + 1) * 4 > slots_.size() * 3) grow();
        uint32_t h = hashOf(parent, piece);
        size_t mask = slots_.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            uint32_t id = slots_[i];
            if (id == 0) {
                nodes_.push_back({parent, h, store(piece), static_cast<uint16_t>(piece.size()), false});
                slots_[i] = static_cast<uint32_t>(nodes_.size());
                return slots_[i];
            }
            const Node& n = nodes_[id - 1];
            if (n.hash == h && n.parent == parent && nameOf(n) == piece) return id;
        }
    }

    uint32_t store(std::string_view piece) {
        if (names_.empty() || kNameBlock - used_ < piece.size()) {
            names_.push_back(std::make_unique_for_overwrite<char[]>(kNameBlock));
            used_ = 0;
        }
        uint32_t offset = static_cast<uint32_t>((names_.size() - 1) * kNameBlock + used_);
        std::memcpy(names_.back().get() + used_, piece.data(), piece.size());
        used_ += piece.size();
        return offset;
    }

    void grow() {
        std::vector<uint32_t> slots(slots_.empty() ? 1024 : slots_.size() * 2, 0);
        size_t mask = slots.size() - 1;
        for (size_t id = 1; id <= nodes_.size(); ++id) {
            size_t i = nodes_[id - 1].hash & mask;
            while (slots[i] != 0) i = (i + 1) & mask;
            slots[i] = static_cast<uint32_t>(id);
        }
        slots_.swap(slots);
    }

    std::deque<Node> nodes_; // node id = index + 1; a deque grows without copying
    std::vector<uint32_t> slots_; // open addressing: node id, 0 when empty
    std::vector<std::unique_ptr<char[]>> names_;
    size_t used_ = 0; // bytes used in the last name block
};

// The decompressed stream, read in large pieces into one buffer of kChunk bytes. Every read of
// the descriptor is preceded by a cancellation poll; an end of stream where more bytes are needed
// is a truncated archive (or, when the control was cancelled meanwhile, the cancellation).
class Input {
public:
    Input(int fd, OperationControl& control)
        : fd_(fd), control_(control), buffer_(std::make_unique_for_overwrite<char[]>(kChunk)) {}

    // The next `count` bytes (at most one block), contiguous; valid until the next call.
    const char* take(size_t count) {
        if (end_ - pos_ < count) {
            if (pos_ == end_) {
                pos_ = end_ = 0;
            } else if (kChunk - pos_ < count) {
                std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
                end_ -= pos_;
                pos_ = 0;
            }
            while (end_ - pos_ < count) more();
        }
        const char* at = buffer_.get() + pos_;
        pos_ += count;
        return at;
    }

    // The next piece of file data, 1 to min(remaining, kChunk) bytes: the buffer is topped up with
    // reads until it holds `remaining` bytes or is full.
    std::string_view data(uint64_t remaining) {
        if (pos_ == end_) pos_ = end_ = 0;
        size_t wanted = static_cast<size_t>(std::min<uint64_t>(remaining, kChunk - pos_));
        while (end_ - pos_ < wanted) more();
        size_t count = static_cast<size_t>(std::min<uint64_t>(remaining, end_ - pos_));
        std::string_view piece(buffer_.get() + pos_, count);
        pos_ += count;
        return piece;
    }

    // Whatever was read beyond the bytes taken so far; the buffer is empty afterwards.
    std::string_view rest() {
        std::string_view piece(buffer_.get() + pos_, end_ - pos_);
        pos_ = end_ = 0;
        return piece;
    }

    // One read of at most `count` bytes into the empty buffer; empty at the end of the stream.
    std::string_view readOnce(size_t count) {
        control_.check();
        pos_ = end_ = 0;
        return {buffer_.get(), platform::readSome(fd_, buffer_.get(), std::min(count, kChunk))};
    }

private:
    void more() {
        control_.check();
        size_t got = platform::readSome(fd_, buffer_.get() + end_, kChunk - end_);
        if (got == 0) {
            // A cancel terminates the decompressor, which ends the stream: that is no corruption.
            control_.check();
            throw LauncherError(kTruncated);
        }
        end_ += got;
    }

    int fd_;
    OperationControl& control_;
    std::unique_ptr<char[]> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
};

// After the first all-zero block: the second one, then at most kTrailingZerosLimit zero bytes up
// to the end of the stream.
void finishArchive(Input& in, OperationControl& control) {
    if (!allZero(in.take(kBlock), kBlock)) throw LauncherError(kBadEnd);
    size_t trailing = 0;
    auto inspect = [&](std::string_view piece) {
        trailing += piece.size();
        if (trailing > kTrailingZerosLimit || !allZero(piece.data(), piece.size())) throw LauncherError(kTrailingData);
    };
    std::string_view piece = in.rest();
    if (!piece.empty()) {
        control.check();
        inspect(piece);
    }
    for (;;) {
        piece = in.readOnce(kTrailingRead);
        if (piece.empty()) return;
        inspect(piece);
    }
}

// Ends the decompressor on every path out of unpack: the pipe is closed (so a child still writing
// stops), a running child is terminated, waited for, and detached from the control.
class ChildGuard {
public:
    ChildGuard(platform::Process& child, OperationControl& control) : child_(child), control_(control) {}
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;
    ~ChildGuard() {
        child_.closeStream(1);
        if (child_.isRunning()) child_.terminate();
        try {
            child_.wait();
        } catch (...) {
        }
        control_.detach();
    }

private:
    platform::Process& child_;
    OperationControl& control_;
};

} // namespace

namespace archive {

void expand(int input, const std::string& destination, int64_t expectedBytes, OperationControl& control,
            const Progress& progress, const std::function<int()>& finish, int64_t maxEntries) {
    platform::TreeWriter tree(destination);
    Input in(input, control);
    PathKeys keys;
    int64_t total = 0;
    int64_t entries = 0;
    // Folders created for a path that does not name them itself (x for an entry x/y).
    int64_t impliedFolders = 0;
    const double scale = static_cast<double>(std::max<int64_t>(expectedBytes, 1));
    std::string path;
    std::string key;
    for (;;) {
        control.check();
        const char* header = in.take(kBlock);
        if (allZero(header, kBlock)) {
            finishArchive(in, control);
            int status = finish();
            if (status != 0 || total != expectedBytes) {
                control.check();
                throw LauncherError(kSizeOrChecksum);
            }
            return;
        }
        if (++entries + impliedFolders > maxEntries) throw LauncherError(kTooManyEntries);

        int64_t checksum = octal(header, kChecksumAt, kChecksumLength);
        int64_t sum = 0;
        for (size_t i = 0; i < kBlock; ++i)
            sum += (i >= kChecksumAt && i < kChecksumAt + kChecksumLength) ? 32 : static_cast<unsigned char>(header[i]);
        if (sum != checksum) throw LauncherError(kUnsupported);
        if (field(header, kMagicAt, kMagicLength) != "ustar") throw LauncherError(kUnsupported);

        std::string_view prefix = field(header, kPrefixAt, kPrefixLength);
        std::string_view name = field(header, kNameAt, kNameLength);
        path.assign(prefix);
        if (!prefix.empty()) path += '/';
        path += name;
        if (!path.empty() && path.back() == '/') path.pop_back();
        pathKey(path, key);
        if (!safeRelative(path) ||
            static_cast<size_t>(std::count(path.begin(), path.end(), '/')) >= kMaxDepth || !keys.insert(key))
            throw LauncherError(kUnsafePath);

        char type = header[kTypeAt];
        int64_t size = octal(header, kSizeAt, kSizeLength);
        int64_t mode = octal(header, kModeAt, kModeLength);
        if (type != '\0' && type != '0' && type != '5') throw LauncherError(kSpecialFile);
        if (type == '5' && size != 0) throw LauncherError(kBadDirectory);
        if (size > expectedBytes - total) throw LauncherError(kTooLarge);

        // Every folder created counts toward the entry limit: the entry's own when it names one,
        // and those its path implies.
        const size_t foldersBefore = tree.createdDirectories();
        auto countFolders = [&](bool named) {
            int64_t created = static_cast<int64_t>(tree.createdDirectories() - foldersBefore);
            impliedFolders += named && created > 0 ? created - 1 : created;
            if (entries + impliedFolders > maxEntries) throw LauncherError(kTooManyEntries);
        };
        if (type == '5') {
            tree.makeDirectory(path);
            countFolders(true);
            continue;
        }

        std::error_code error;
        platform::OutputFile file = tree.createFile(path, error);
        countFolders(false);
        if (!file.isOpen()) throw LauncherError(error == std::errc::file_exists ? kExists : kCannotCreate);
        uint64_t remaining = static_cast<uint64_t>(size);
        while (remaining > 0) {
            std::string_view piece = in.data(remaining);
            file.write(piece.data(), piece.size());
            remaining -= piece.size();
            total += static_cast<int64_t>(piece.size());
            if (progress) progress(static_cast<double>(total) / scale);
        }
        // Permissions go through the open descriptor: by path they could land on a link put in
        // the file's place after it was closed.
        file.setMode((mode & 0111) != 0 ? 0755 : 0644);
        file.close();
        if (size % kBlock != 0) in.take(kBlock - static_cast<size_t>(size % kBlock));
    }
}

} // namespace archive

void unpack(const std::string& archive, const std::string& destination, int64_t expectedBytes,
            OperationControl& control, const Progress& progress) {
    // A relative path is anchored so that a name starting with "-" never reads as an option.
    std::string path = !archive.empty() && archive.front() == '/' ? archive : "./" + archive;
    auto gzip = std::make_shared<platform::Process>(platform::tools().gzip, std::vector<std::string>{"-dc", path});
    gzip->standardInput = platform::Redirect::null();
    gzip->standardOutput = platform::Redirect::stream();
    gzip->standardError = platform::Redirect::null();
    control.attach(gzip);
    try {
        gzip->launch();
    } catch (...) {
        control.detach();
        throw;
    }
    ChildGuard guard(*gzip, control);
    int output = gzip->streamFd(1);
    platform::widenPipe(output, kChunk);
    archive::expand(output, destination, expectedBytes, control, progress, [&] { return gzip->wait(); });
}

} // namespace novra::LauncherCore
