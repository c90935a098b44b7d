#pragma once
// Creates directories and new files below one root directory without ever following a symbolic
// link: every directory is reached by opening one component at a time, relative to its parent's
// descriptor and refusing links, and files are created exclusively. Whatever appears in the tree
// while it is being written (a link, a file where a directory was expected), nothing is written
// anywhere but in directories this writer created or found as real directories below the root.
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace novra::platform {

// A new regular file opened for writing by TreeWriter::createFile. Closed by close() or, with
// errors ignored, by the destructor.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    bool isOpen() const { return fd_ >= 0; }
    // Each throws std::system_error naming the file.
    void write(const void* data, size_t count);
    void setMode(unsigned mode);
    void close();

private:
    int fd_ = -1;
    std::string path_;
};

class TreeWriter {
public:
    // Opens `root`, which must be a directory and not a symbolic link. Throws std::system_error.
    explicit TreeWriter(std::string root);
    ~TreeWriter();
    TreeWriter(const TreeWriter&) = delete;
    TreeWriter& operator=(const TreeWriter&) = delete;

    // `relative` below: "/"-separated, no empty, "." or ".." piece (the caller checks).

    // Creates the directory and its missing parents with permissions 0755 (less the umask); never
    // writable by group or others, so that what is unpacked passes the seal's strict check. An
    // existing directory is fine; anything else in the way (a file, a link) throws std::system_error.
    void makeDirectory(std::string_view relative);

    // Creates the missing parent directories as makeDirectory does (failures thrown), then the file
    // itself: new and empty, owner-writable. When the file cannot be created the result is not open
    // and `error` holds the reason (std::errc::file_exists when anything, a link included, is
    // already there).
    OutputFile createFile(std::string_view relative, std::error_code& error);

    // How many directories this writer has created so far (named or implied by a deeper path).
    size_t createdDirectories() const { return created_; }

private:
    struct Level {
        std::string name;
        int fd;
    };
    // Descriptor of the directory `relative` ("" is the root), created as needed. The chain of the
    // directory used last stays open, so files of one directory cost one open each.
    int enter(std::string_view relative);
    void dropFrom(size_t depth);
    std::string pathOf(std::string_view relative) const;

    std::string root_;
    int rootFd_ = -1;
    std::vector<Level> chain_;
    size_t created_ = 0;
};

} // namespace novra::platform
