#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/replacing_file.h"

namespace kelvatrix {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

std::string Directory(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path, NewFile newFile)
    : path_(std::move(path)), newFile_(newFile), target_(path_), buffer_(kBufferSize) {}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

bool ReplacingFile::Fail(const std::string& what) {
  const int code = errno;
  failed_ = true;
  if (error_.empty()) error_ = what + ": " + std::strerror(code);
  return false;
}

bool ReplacingFile::IsReadOnly(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  // No write permission for anyone is the owner's "keep this", also for root, whom the
  // system would let write.
  if ((info.st_mode & 0222) == 0) return true;
  return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 &&
         (errno == EACCES || errno == EROFS);
}

std::string ReplacingFile::WhyNotWritable(const std::string& path) {
  if (IsReadOnly(path)) return "the file is read-only";
  const std::string folder = Directory(path);
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return "the folder " + folder + " may not be written to (" + std::strerror(errno) + ")";
  }
  return {};
}

bool ReplacingFile::Open() {
  struct stat link {};
  if (lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    char resolved[PATH_MAX];
    if (!realpath(path_.c_str(), resolved)) return Fail("cannot follow the link '" + path_ + "'");
    target_ = resolved;
  }
  // A file its owner made read-only is kept, though its folder would let it be replaced.
  if (IsReadOnly(target_)) return Fail("'" + path_ + "' is read-only");
  struct stat old {};
  const bool replacing = stat(target_.c_str(), &old) == 0;

  // A new file gets the permissions any new file gets: the system applies the user's
  // file-creation mask (and a default ACL) to the mode asked for at creation. Reading the
  // mask with umask() would change it for every thread while it is read.
  const mode_t asked = newFile_ == NewFile::Private ? 0600 : 0666;
  std::random_device random;
  for (int attempt = 0; fd_ < 0; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".kelvatrix-%06x",
                  static_cast<unsigned>(random()) & 0xFFFFFFu);
    temp_ = target_ + suffix;
    fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, asked);
    if (fd_ < 0) {
      const bool taken = errno == EEXIST;
      temp_.clear();
      if (!taken || attempt == 100)
        return Fail("cannot create a file in '" + Directory(target_) + "'");
    }
  }
  // A replaced file keeps its own permissions.
  if (replacing && fchmod(fd_, old.st_mode & 07777) != 0)
    return Fail("cannot set the permissions of '" + temp_ + "'");
  return true;
}

bool ReplacingFile::Flush() {
  std::size_t done = 0;
  while (done < used_) {
    const ssize_t n = write(fd_, buffer_.data() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return Fail("cannot write '" + path_ + "'");
    }
    done += static_cast<std::size_t>(n);
  }
  used_ = 0;
  return true;
}

bool ReplacingFile::Commit() {
  if (failed_ || fd_ < 0) return false;
  if (!Flush()) return false;
  if (fsync(fd_) != 0) return Fail("cannot write '" + path_ + "'");
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return Fail("cannot write '" + path_ + "'");
  if (rename(temp_.c_str(), target_.c_str()) != 0) return Fail("cannot replace '" + path_ + "'");
  temp_.clear();
  // The rename itself reaches the disk with the directory.
  const int directory = open(Directory(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    fsync(directory);
    close(directory);
  }
  return true;
}

void ReplacingFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace kelvatrix
