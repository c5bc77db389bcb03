#pragma once

// Files that several uvcc-helper runs share: an exclusive lock held across a
// read-modify-write, and writes that readers never see half done.

#include "result.h"

#include <optional>
#include <string>

namespace uvcc {

// An exclusive flock on a lock file beside `path` (`path` + ".lock"), held
// until the object is destroyed. The lock file itself is never removed, so
// every run locks the same inode.
class FileLock {
public:
    static Result<FileLock> acquire(const std::string &path);
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

struct FileContents {
    bool exists = false;
    std::string bytes;
};

// The whole file; a missing file is not a failure.
Result<FileContents> readFile(const std::string &path);
// Writes a temporary file in the same directory, flushes it to disk and
// renames it over `path`, so `path` always holds either the old or the new text.
std::optional<Failure> writeFileAtomically(const std::string &path, const std::string &bytes);
// Writes all of `bytes` to `fd`, through short writes and interruptions.
bool writeAll(int fd, const std::string &bytes);
// Creates the directory `path` lives in, with its parents, when missing.
std::optional<Failure> ensureParentDirectory(const std::string &path);
// Renames `path` to a fresh `path.broken-<date>-<time>[-n]`; gives the new name.
Result<std::string> moveAside(const std::string &path);

} // namespace uvcc
