#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

bool ReplacingFile::Open() {
  struct stat link {};
  if (lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    char resolved[PATH_MAX];
    if (!realpath(path_.c_str(), resolved)) return Fail("cannot follow the link '" + path_ + "'");
    target_ = resolved;
  }
  // A new file gets the permissions any new file gets; a replaced one keeps its own.
  const mode_t mask = umask(0);
  umask(mask);
  mode_t mode = (newFile_ == NewFile::Private ? 0600 : 0666) & ~mask;
  struct stat old {};
  if (stat(target_.c_str(), &old) == 0) mode = old.st_mode & 07777;

  std::string pattern = target_ + ".kelvatrix-XXXXXX";
  fd_ = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) return Fail("cannot create a file in '" + Directory(target_) + "'");
  temp_ = pattern;
  if (fchmod(fd_, mode) != 0) return Fail("cannot set the permissions of '" + temp_ + "'");
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
