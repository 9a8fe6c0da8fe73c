#include <windows.h>

#include <cstring>

#include "platform/replacing_file.h"
#include "platform/system_error_text.h"

namespace kelvatrix {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

// The folder of `path`, as a full path with its final separator: "C:\\" for
// "C:\\run.xls", where the folder "C:" would be the current folder of drive C.
std::string Directory(const std::string& path) {
  char full[MAX_PATH];
  char* name = nullptr;
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, &name);
  if (length == 0 || length >= sizeof full) return ".\\";
  return name ? std::string(full, name) : std::string(full, length);
}

// The folder as the operator reads it: without the final separator, but for a drive's root.
std::string Shown(std::string folder) {
  if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

HANDLE AsHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd)); }

}  // namespace

ReplacingFile::ReplacingFile(std::string path, NewFile newFile)
    : path_(std::move(path)), newFile_(newFile), target_(path_), buffer_(kBufferSize) {}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReplacingFile::IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string ReplacingFile::WhyNotWritable(const std::string& path) {
  return IsReadOnly(path) ? "the file is read-only" : std::string();
}

bool ReplacingFile::Fail(const std::string& what) {
  const DWORD code = GetLastError();
  failed_ = true;
  if (error_.empty()) error_ = what + ": " + SystemErrorText(code);
  return false;
}

bool ReplacingFile::Open() {
  if (IsReadOnly(path_)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return Fail("'" + path_ + "' is read-only");
  }
  char temp[MAX_PATH];
  if (GetTempFileNameA(Directory(path_).c_str(), "kvx", 0, temp) == 0) {
    return Fail("cannot create a file in '" + Shown(Directory(path_)) + "'");
  }
  temp_ = temp;
  const HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return Fail("cannot create a file in '" + Shown(Directory(path_)) + "'");
  fd_ = static_cast<int>(reinterpret_cast<INT_PTR>(file));
  return true;
}

bool ReplacingFile::Flush() {
  std::size_t done = 0;
  while (done < used_) {
    DWORD written = 0;
    if (!WriteFile(AsHandle(fd_), buffer_.data() + done, static_cast<DWORD>(used_ - done), &written,
                   nullptr) ||
        written == 0) {
      return Fail("cannot write '" + path_ + "'");
    }
    done += written;
  }
  used_ = 0;
  return true;
}

bool ReplacingFile::Commit() {
  if (failed_ || fd_ < 0) return false;
  if (!Flush()) return false;
  if (!FlushFileBuffers(AsHandle(fd_))) return Fail("cannot write '" + path_ + "'");
  CloseHandle(AsHandle(fd_));
  fd_ = -1;
  if (!MoveFileExA(temp_.c_str(), path_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return Fail("cannot replace '" + path_ + "'");
  }
  temp_.clear();
  return true;
}

void ReplacingFile::Discard() {
  if (fd_ >= 0) CloseHandle(AsHandle(fd_));
  fd_ = -1;
  if (!temp_.empty()) DeleteFileA(temp_.c_str());
  temp_.clear();
}

}  // namespace kelvatrix
