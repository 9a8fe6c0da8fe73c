#pragma once
// Writes a file that replaces another in one step. The writes go, buffered, into a new
// file beside the target; Commit flushes it, forces it to disk and moves it over the
// target. Until then the target stays as it was, and a ReplacingFile dropped without a
// successful Commit (full disk, no permission, directory gone) removes what it wrote. A
// target that is a symbolic link has the file it points to replaced; an existing target
// keeps its permissions. A target that is read-only is never replaced: Open refuses it.

#include <cstddef>
#include <string>
#include <vector>

namespace kelvatrix {

class ReplacingFile {
 public:
  // Who may read a file that did not exist before: everyone the user's file-creation mask
  // allows, or the user alone (files that may hold secrets).
  enum class NewFile { Shared, Private };

  explicit ReplacingFile(std::string path, NewFile newFile = NewFile::Shared);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the new file beside the target. False (with Error()) when it cannot be made.
  bool Open();
  // Buffered; once a write has failed, every later one fails too.
  bool Write(const void* data, std::size_t size);
  // Moves the complete file over the target; false, with the target untouched, on failure.
  bool Commit();
  // What went wrong, for the operator: the file named, the system's reason given.
  const std::string& Error() const { return error_; }

  static bool Exists(const std::string& path);
  // The file exists and this user may not write it (the folder may still allow a rename).
  static bool IsReadOnly(const std::string& path);
  // Why `path` cannot be written or made, as far as the system tells without trying: the
  // file is read-only, or its folder may not be written; empty when nothing stands out.
  static std::string WhyNotWritable(const std::string& path);

 private:
  bool Flush();
  bool Fail(const std::string& what);
  void Discard();

  std::string path_;
  NewFile newFile_;
  std::string target_;  // the file replaced: `path_`, or where its link points
  std::string temp_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  int fd_ = -1;
  bool failed_ = false;
  std::string error_;
};

}  // namespace kelvatrix
