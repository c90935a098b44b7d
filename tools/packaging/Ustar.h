#pragma once
// Writing release packages: POSIX ustar archives compressed with gzip, holding regular files and
// directories only. Also the block-level pieces (one header, one entry, the end of an archive)
// from which tests build archives the launcher must refuse.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace novra::packaging {

constexpr size_t kUstarBlock = 512;

// One 512-byte ustar header. A fresh header is a regular file "" of size 0, mode 0644, owner 0,
// time 0, magic "ustar", version "00". Setters write the field's bytes as given; block() fills in
// the checksum unless checksum() fixed it.
class UstarHeader {
public:
    UstarHeader();
    // A regular file (type "0") or a directory (type "5", the path gets a trailing "/").
    static UstarHeader file(std::string_view path, int64_t size, unsigned mode = 0644);
    static UstarHeader directory(std::string_view path);

    // The path, split into the prefix and name fields when longer than 100 bytes. Throws
    // std::invalid_argument when it cannot be split that way.
    UstarHeader& path(std::string_view path);
    UstarHeader& name(std::string_view text);   // bytes 0..99
    UstarHeader& prefix(std::string_view text); // bytes 345..499
    UstarHeader& mode(unsigned mode);           // 7 octal digits and NUL
    UstarHeader& size(int64_t size);            // 11 octal digits and NUL; throws when it does not fit
    UstarHeader& type(char flag);
    UstarHeader& magic(std::string_view text);  // bytes 257..262
    UstarHeader& linkName(std::string_view text);
    // The field at `offset` of `length` bytes: `text`, then NUL bytes to the field's end.
    UstarHeader& field(size_t offset, size_t length, std::string_view text);
    // Overwrites bytes from `offset` (for fields written in other encodings).
    UstarHeader& raw(size_t offset, std::string_view bytes);
    // A fixed checksum field; block() then leaves it alone.
    UstarHeader& checksum(std::string_view text);

    // The header block, with the computed checksum unless one was fixed.
    std::string block() const;
    // The checksum block() computes: the sum of all bytes with the checksum field read as spaces.
    unsigned computedChecksum() const;

private:
    std::array<char, kUstarBlock> bytes_{};
    bool fixedChecksum_ = false;
};

// A header with its data and the zero padding to a whole block.
std::string ustarEntry(const UstarHeader& header, std::string_view data = {});
// The two zero blocks that end an archive.
std::string ustarEnd();

// Compresses `bytes` into the file `output` with the system's gzip. Throws std::system_error or
// std::runtime_error.
void gzipBytes(std::string_view bytes, const std::string& output);

struct PackageStats {
    int64_t files = 0;
    int64_t directories = 0;
    int64_t expandedBytes = 0; // sum of the regular files' sizes
};

// Writes the tree `sourceDir` as "topLevelName/..." into the gzip-compressed ustar archive
// `outputTarGz` (replaced if present): every directory (the top one included, and each piece of a
// nested `topLevelName`) before its contents, names in byte order; files with mode 0755 when the
// source file is executable by anyone, else 0644. Links and special files are refused. Throws
// std::runtime_error (a Russian message naming the path) or std::system_error.
PackageStats writePackage(const std::string& sourceDir, const std::string& topLevelName, const std::string& outputTarGz);

} // namespace novra::packaging
