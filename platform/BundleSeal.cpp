#include "platform/BundleSeal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/Files.h"

namespace novra::platform {
namespace {

constexpr std::string_view kSealDirectory = "Contents/_CodeSignature";
constexpr std::string_view kSealList = "Contents/_CodeSignature/CodeResources";
constexpr std::string_view kSealSignature = "Contents/_CodeSignature/CodeResources.sig";
constexpr std::string_view kHeader = "novra-seal 1";
constexpr size_t kSignatureSize = 64;
constexpr size_t kDigestSize = 32;
// A line holds a path of at most PATH_MAX bytes and 70 more; anything longer is not a list.
constexpr size_t kLineLimit = 8192;
constexpr int kDepthLimit = 256;
constexpr size_t kReadBlock = 1 << 20;

// ---- small owners ----------------------------------------------------------------------------

struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int f) : fd(f) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

struct PKeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using PKey = std::unique_ptr<EVP_PKEY, PKeyFree>;
struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;
struct MdFree {
    void operator()(EVP_MD* md) const { EVP_MD_free(md); }
};
using Md = std::unique_ptr<EVP_MD, MdFree>;
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

Md sha256() {
    Md md(EVP_MD_fetch(nullptr, "SHA256", nullptr));
    if (!md) throw std::bad_alloc();
    return md;
}

// ---- trusted keys ----------------------------------------------------------------------------

struct KeyRing {
    std::mutex lock;
    std::vector<std::shared_ptr<EVP_PKEY>> keys;
};

KeyRing& keyRing() {
    static KeyRing ring;
    return ring;
}

std::vector<std::shared_ptr<EVP_PKEY>> trustedKeys() {
    KeyRing& ring = keyRing();
    std::lock_guard guard(ring.lock);
    return ring.keys;
}

bool isEd25519(EVP_PKEY* key) { return key && EVP_PKEY_is_a(key, "ED25519"); }

// ---- signing and verifying ---------------------------------------------------------------------

std::string signedMessage(const unsigned char digest[kDigestSize]) {
    std::string message(kHeader);
    message.push_back('\0');
    message.append(reinterpret_cast<const char*>(digest), kDigestSize);
    return message;
}

bool verifySignature(EVP_PKEY* key, const std::string& message, const unsigned char* signature) {
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit_ex(ctx.get(), nullptr, nullptr, nullptr, nullptr, key, nullptr) != 1) return false;
    return EVP_DigestVerify(ctx.get(), signature, kSignatureSize, reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

std::string sign(EVP_PKEY* key, const std::string& message) {
    MdCtx ctx(EVP_MD_CTX_new());
    unsigned char signature[kSignatureSize];
    size_t length = sizeof signature;
    if (!ctx || EVP_DigestSignInit_ex(ctx.get(), nullptr, nullptr, nullptr, nullptr, key, nullptr) != 1 ||
        EVP_DigestSign(ctx.get(), signature, &length, reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1 ||
        length != kSignatureSize)
        throw SealError("Не удалось подписать приложение");
    return std::string(reinterpret_cast<const char*>(signature), length);
}

PKey readPrivateKey(const std::string& file) {
    std::string pem = readFile(file, 64 * 1024);
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    PKey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    OPENSSL_cleanse(pem.data(), pem.size());
    ERR_clear_error();
    if (!key) throw SealError("Не удалось прочитать закрытый ключ: " + file);
    if (!isEd25519(key.get())) throw SealError("Ключ не является ключом Ed25519: " + file);
    return key;
}

std::string publicPEM(EVP_PKEY* key) {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PUBKEY(bio.get(), key) != 1) throw SealError("Не удалось записать открытый ключ");
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(length));
}

// ---- reading files -----------------------------------------------------------------------------

// Feeds everything readable from `fd` into a fresh SHA-256. False on a read error.
bool digestDescriptor(int fd, const EVP_MD* md, std::vector<unsigned char>& buffer, unsigned char out[kDigestSize]) {
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex2(ctx.get(), md, nullptr) != 1) throw std::bad_alloc();
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    for (;;) {
        ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(got));
    }
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), out, &length);
    return length == kDigestSize;
}

std::string hexText(const unsigned char* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text(count * 2, '0');
    for (size_t i = 0; i < count; ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 15];
    }
    return text;
}

// Lines of a list file, read through a fixed buffer.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd), buffer_(64 * 1024) {}
    enum class Result { line, end, error };
    Result next(std::string& line) {
        line.clear();
        for (;;) {
            if (pos_ == len_) {
                ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) return Result::error;
                if (got == 0) return line.empty() ? Result::end : Result::error; // a list ends with a line break
                pos_ = 0;
                len_ = static_cast<size_t>(got);
            }
            const char* start = buffer_.data() + pos_;
            const char* newline = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
            size_t take = newline ? static_cast<size_t>(newline - start) : len_ - pos_;
            if (line.size() + take > kLineLimit) return Result::error;
            line.append(start, take);
            pos_ += take;
            if (newline) {
                ++pos_;
                return Result::line;
            }
        }
    }

private:
    int fd_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t len_ = 0;
};

struct ListEntry {
    bool directory = false;
    bool executable = false;
    std::string digest;
    std::string path;
};

bool parseEntry(const std::string& line, ListEntry& entry) {
    auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    if (line.size() > 2 && line.compare(0, 2, "d ") == 0) {
        entry = {true, false, {}, line.substr(2)};
        return true;
    }
    // "f X " + 64 hexadecimal digits + " " + path
    if (line.size() <= 4 + 64 + 1 || line.compare(0, 2, "f ") != 0 || (line[2] != 'x' && line[2] != '-') ||
        line[3] != ' ' || line[4 + 64] != ' ')
        return false;
    std::string digest = line.substr(4, 64);
    if (!std::all_of(digest.begin(), digest.end(), isHex)) return false;
    entry = {false, line[2] == 'x', digest, line.substr(4 + 64 + 1)};
    return true;
}

// The order of the walk: depth first, names in byte order. Equal to comparing the paths piece by
// piece, which is byte order with "/" below every other byte.
int comparePaths(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = a[i] == '/' ? 0 : static_cast<unsigned char>(a[i]);
        int y = b[i] == '/' ? 0 : static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// ---- walking a bundle --------------------------------------------------------------------------

// One entry of the walk: its path relative to the bundle, the directory that holds it and its
// lstat information. The visitor returns valid to go on; directories are entered after their visit.
using Visitor = std::function<SealStatus(const std::string& path, int parent, const char* name, const struct stat& info)>;

SealStatus walk(int directory, const std::string& prefix, int depth, const Visitor& visit) {
    if (depth > kDepthLimit) return SealStatus::unreadable;
    std::vector<std::string> names;
    {
        int copy = ::fcntl(directory, F_DUPFD_CLOEXEC, 0);
        if (copy < 0) return SealStatus::unreadable;
        DIR* stream = ::fdopendir(copy);
        if (!stream) {
            ::close(copy);
            return SealStatus::unreadable;
        }
        for (;;) {
            errno = 0;
            dirent* item = ::readdir(stream);
            if (!item) {
                int failure = errno;
                ::closedir(stream);
                if (failure != 0) return SealStatus::unreadable;
                break;
            }
            std::string_view name = item->d_name;
            if (name != "." && name != "..") names.emplace_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string path = prefix.empty() ? name : prefix + "/" + name;
        struct stat info {};
        if (::fstatat(directory, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return SealStatus::unreadable;
        SealStatus status = visit(path, directory, name.c_str(), info);
        if (status != SealStatus::valid) return status;
        if (S_ISDIR(info.st_mode)) {
            Descriptor child(::openat(directory, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (child.fd < 0) return SealStatus::unreadable;
            status = walk(child.fd, path, depth + 1, visit);
            if (status != SealStatus::valid) return status;
        }
    }
    return SealStatus::valid;
}

// The seal's own files are not part of the list.
bool isSealItself(const std::string& path, const struct stat& info) {
    if (path == kSealDirectory) return S_ISDIR(info.st_mode);
    return (path == kSealList || path == kSealSignature) && S_ISREG(info.st_mode);
}

bool isExecutable(const struct stat& info) { return (info.st_mode & 0111) != 0; }

// What the list cannot say but a bundle on disk must not be: writable by anyone but its owner, a
// file that runs with its owner's or group's rights, or a file whose content another name (outside
// the bundle, perhaps) can change. The setgid bit of a directory only passes its group on and is
// left alone.
bool isSafe(const struct stat& info) {
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
    return !S_ISREG(info.st_mode) || ((info.st_mode & (S_ISUID | S_ISGID)) == 0 && info.st_nlink == 1);
}

// Digests of the listed files, computed on a few threads while the walk goes on: checking a bundle
// right after unpacking it reads every byte from the page cache, so hashing is what costs. Each
// thread holds one read block; the queue of open files waiting is bounded.
class DigestPool {
public:
    explicit DigestPool(const EVP_MD* md) : md_(md) {
        unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
        try {
            for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // No thread could be started: submit() hashes on the caller's thread.
        }
    }
    ~DigestPool() { finish(); }
    DigestPool(const DigestPool&) = delete;
    DigestPool& operator=(const DigestPool&) = delete;

    // Hashes the open file (the pool owns it from now on) and compares with `expected`.
    void submit(int fd, std::string expected) {
        if (threads_.empty()) {
            check(fd, expected, inlineBuffer());
            return;
        }
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [&] { return jobs_.size() < kQueueLimit; });
        jobs_.push_back({fd, std::move(expected)});
        notEmpty_.notify_one();
    }
    // The first failure so far, or valid.
    SealStatus status() const { return status_.load(); }
    // Waits for every queued file; returns the first failure or valid. With `abandon`, files still
    // queued are closed without being hashed.
    SealStatus finish(bool abandon = false) {
        if (abandon) abandoned_ = true;
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        notEmpty_.notify_all();
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
        return status_.load();
    }

private:
    static constexpr unsigned kMaxThreads = 4;
    static constexpr size_t kQueueLimit = 32;
    struct Job {
        int fd;
        std::string expected;
    };

    std::vector<unsigned char>& inlineBuffer() {
        if (inline_.empty()) inline_.resize(kReadBlock);
        return inline_;
    }

    void check(int fd, const std::string& expected, std::vector<unsigned char>& buffer) {
        Descriptor file(fd);
        if (abandoned_ || status_.load() != SealStatus::valid) return;
        unsigned char digest[kDigestSize];
        SealStatus result = !digestDescriptor(file.fd, md_, buffer, digest)          ? SealStatus::unreadable
                            : hexText(digest, kDigestSize) != expected ? SealStatus::changed
                                                                       : SealStatus::valid;
        SealStatus none = SealStatus::valid;
        if (result != SealStatus::valid) status_.compare_exchange_strong(none, result);
    }

    void work() {
        std::vector<unsigned char> buffer(kReadBlock);
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                notEmpty_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
                if (jobs_.empty()) return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
                notFull_.notify_one();
            }
            check(job.fd, job.expected, buffer);
        }
    }

    const EVP_MD* md_;
    std::mutex mutex_;
    std::condition_variable notEmpty_, notFull_;
    std::deque<Job> jobs_;
    bool closing_ = false;
    std::atomic<SealStatus> status_{SealStatus::valid};
    std::atomic<bool> abandoned_{false};
    std::vector<std::thread> threads_;
    std::vector<unsigned char> inline_;
};

} // namespace

const char* sealStatusName(SealStatus status) {
    switch (status) {
    case SealStatus::valid: return "valid";
    case SealStatus::noTrustedKey: return "no trusted key";
    case SealStatus::unsealed: return "unsealed";
    case SealStatus::badSignature: return "bad signature";
    case SealStatus::malformed: return "malformed list";
    case SealStatus::missing: return "missing entry";
    case SealStatus::changed: return "changed entry";
    case SealStatus::unlisted: return "unlisted entry";
    case SealStatus::special: return "link or special file";
    case SealStatus::unsafe: return "writable by others, setuid or setgid, or hard-linked";
    case SealStatus::unreadable: return "unreadable";
    }
    return "unknown";
}

void trustSealKeys(std::string_view pem) {
    std::vector<std::shared_ptr<EVP_PKEY>> keys;
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio) throw std::bad_alloc();
    for (;;) {
        char* name = nullptr;
        char* header = nullptr;
        unsigned char* data = nullptr;
        long length = 0;
        if (PEM_read_bio(bio.get(), &name, &header, &data, &length) != 1) {
            ERR_clear_error(); // the end of the text is reported as an error
            break;
        }
        std::string blockName = name ? name : "";
        const unsigned char* cursor = data;
        EVP_PKEY* key = blockName == "PUBLIC KEY" ? d2i_PUBKEY(nullptr, &cursor, length) : nullptr;
        OPENSSL_free(name);
        OPENSSL_free(header);
        OPENSSL_free(data);
        if (!isEd25519(key)) {
            EVP_PKEY_free(key);
            ERR_clear_error();
            throw SealError("Неверный открытый ключ подписи");
        }
        keys.emplace_back(key, EVP_PKEY_free);
    }
    if (keys.empty()) throw SealError("Нет открытого ключа подписи");
    KeyRing& ring = keyRing();
    std::lock_guard guard(ring.lock);
    ring.keys = std::move(keys);
}

void trustSealKeysFromFile(const std::string& file) { trustSealKeys(readFile(file, 1024 * 1024)); }

void clearTrustedSealKeys() {
    KeyRing& ring = keyRing();
    std::lock_guard guard(ring.lock);
    ring.keys.clear();
}

size_t trustedSealKeyCount() {
    KeyRing& ring = keyRing();
    std::lock_guard guard(ring.lock);
    return ring.keys.size();
}

SealStatus checkSeal(const std::string& bundle) {
    std::vector<std::shared_ptr<EVP_PKEY>> keys = trustedKeys();
    if (keys.empty()) return SealStatus::noTrustedKey;

    Descriptor root(::open(bundle.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0) return SealStatus::unreadable;
    struct stat rootInfo {};
    if (::fstat(root.fd, &rootInfo) != 0) return SealStatus::unreadable;
    if (!isSafe(rootInfo)) return SealStatus::unsafe;
    Descriptor list(::openat(root.fd, std::string(kSealList).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    Descriptor signatureFile(::openat(root.fd, std::string(kSealSignature).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat listInfo {}, signatureInfo {};
    if (list.fd < 0 || signatureFile.fd < 0 || ::fstat(list.fd, &listInfo) != 0 ||
        ::fstat(signatureFile.fd, &signatureInfo) != 0 || !S_ISREG(listInfo.st_mode) || !S_ISREG(signatureInfo.st_mode))
        return SealStatus::unsealed;

    // First the signature over the whole list, so that nothing unsigned is looked at.
    unsigned char signature[kSignatureSize + 1];
    ssize_t got = ::read(signatureFile.fd, signature, sizeof signature);
    if (got != static_cast<ssize_t>(kSignatureSize)) return SealStatus::badSignature;
    Md md = sha256();
    std::vector<unsigned char> buffer(kReadBlock);
    unsigned char listDigest[kDigestSize];
    if (!digestDescriptor(list.fd, md.get(), buffer, listDigest)) return SealStatus::unreadable;
    std::string message = signedMessage(listDigest);
    bool trusted = std::any_of(keys.begin(), keys.end(),
                               [&](const auto& key) { return verifySignature(key.get(), message, signature); });
    ERR_clear_error(); // failed verifications leave reasons in the thread's error queue
    if (!trusted) return SealStatus::badSignature;

    // Then the list against the bundle, in walk order.
    if (::lseek(list.fd, 0, SEEK_SET) != 0) return SealStatus::unreadable;
    LineReader reader(list.fd);
    std::string line;
    if (reader.next(line) != LineReader::Result::line || line != kHeader) return SealStatus::malformed;

    ListEntry pending;
    bool havePending = false;
    bool listBroken = false;
    // Fetches the next list entry; false at the end of the list (or when it is broken).
    auto nextEntry = [&]() {
        if (havePending) return true;
        auto result = reader.next(line);
        if (result == LineReader::Result::end) return false;
        if (result == LineReader::Result::error || !parseEntry(line, pending)) {
            listBroken = true;
            return false;
        }
        havePending = true;
        return true;
    };

    DigestPool digests(md.get());
    SealStatus status = walk(root.fd, "", 0, [&](const std::string& path, int parent, const char* name,
                                                  const struct stat& info) {
        if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) return SealStatus::special;
        if (!isSafe(info)) return SealStatus::unsafe;
        if (isSealItself(path, info)) return SealStatus::valid;
        if (!nextEntry()) return listBroken ? SealStatus::malformed : SealStatus::unlisted;
        int order = comparePaths(pending.path, path);
        if (order < 0) return SealStatus::missing;
        if (order > 0) return SealStatus::unlisted;
        havePending = false;
        if (pending.directory != S_ISDIR(info.st_mode)) return SealStatus::changed;
        if (pending.directory) return SealStatus::valid;
        if (pending.executable != isExecutable(info)) return SealStatus::changed;
        if (digests.status() != SealStatus::valid) return digests.status();
        int file = ::openat(parent, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (file < 0) return SealStatus::unreadable;
        digests.submit(file, std::move(pending.digest));
        return SealStatus::valid;
    });
    SealStatus hashed = digests.finish(status != SealStatus::valid);
    if (status != SealStatus::valid) return status;
    if (hashed != SealStatus::valid) return hashed;
    if (nextEntry()) return SealStatus::missing;
    return listBroken ? SealStatus::malformed : SealStatus::valid;
}

void generateSealKeys(const std::string& privateFile, const std::string& publicFile) {
    PKey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    if (!key) throw SealError("Не удалось создать ключи подписи");
    std::string publicText = publicPEM(key.get());

    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        throw SealError("Не удалось создать ключи подписи");
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);

    // The private key goes into a file of its own that nobody else can read; an existing key is
    // never overwritten.
    Descriptor out(::open(privateFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.fd < 0 && errno == EEXIST) throw SealError("Файл ключа уже существует: " + privateFile);
    if (out.fd < 0) throw std::system_error(errno, std::generic_category(), privateFile);
    auto fail = [&](int error) {
        ::unlink(privateFile.c_str());
        throw std::system_error(error, std::generic_category(), privateFile);
    };
    if (::fchmod(out.fd, 0600) != 0) fail(errno);
    for (long done = 0; done < length;) {
        ssize_t wrote = ::write(out.fd, data + done, static_cast<size_t>(length - done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) fail(errno);
        done += wrote;
    }
    if (::fsync(out.fd) != 0) fail(errno);
    OPENSSL_cleanse(data, static_cast<size_t>(length));
    try {
        writeFileAtomically(publicFile, publicText);
    } catch (...) {
        ::unlink(privateFile.c_str());
        throw;
    }
}

std::string sealPublicKey(const std::string& privateFile) {
    PKey key = readPrivateKey(privateFile);
    return publicPEM(key.get());
}

void sealBundle(const std::string& bundle, const std::string& privateFile) {
    PKey key = readPrivateKey(privateFile);
    std::filesystem::create_directories(std::filesystem::path(bundle) / std::string(kSealDirectory));
    Descriptor root(::open(bundle.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0) throw std::system_error(errno, std::generic_category(), bundle);

    Md md = sha256();
    std::vector<unsigned char> buffer(kReadBlock);
    std::string list(kHeader);
    list += '\n';
    std::string problem;
    SealStatus status = walk(root.fd, "", 0, [&](const std::string& path, int parent, const char* name,
                                                  const struct stat& info) {
        if (isSealItself(path, info)) return SealStatus::valid;
        if (std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 32; })) {
            problem = "Недопустимое имя в приложении: " + path;
            return SealStatus::malformed;
        }
        if (S_ISDIR(info.st_mode)) {
            list += "d " + path + "\n";
            return SealStatus::valid;
        }
        if (!S_ISREG(info.st_mode)) {
            problem = "В приложении есть ссылка или специальный файл: " + path;
            return SealStatus::special;
        }
        Descriptor file(::openat(parent, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        unsigned char digest[kDigestSize];
        if (file.fd < 0 || !digestDescriptor(file.fd, md.get(), buffer, digest)) {
            problem = "Не удалось прочитать файл приложения: " + path;
            return SealStatus::unreadable;
        }
        list += std::string("f ") + (isExecutable(info) ? "x " : "- ") + hexText(digest, kDigestSize) + " " + path + "\n";
        return SealStatus::valid;
    });
    if (status != SealStatus::valid)
        throw SealError(problem.empty() ? "Не удалось прочитать приложение: " + bundle : problem);

    unsigned char listDigest[kDigestSize];
    unsigned int length = 0;
    if (EVP_Digest(list.data(), list.size(), listDigest, &length, md.get(), nullptr) != 1 || length != kDigestSize)
        throw std::bad_alloc();
    std::string signature = sign(key.get(), signedMessage(listDigest));
    writeFileAtomically(bundle + "/" + std::string(kSealList), list);
    writeFileAtomically(bundle + "/" + std::string(kSealSignature), signature);
}

} // namespace novra::platform
