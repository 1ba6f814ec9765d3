#pragma once
// Profile (INI) files, read as the Windows profile functions read them and written without
// ever losing data. The rules, and where ours differ from Windows, are in docs/profile-files.md.

#include <cstddef>
#include <string>

#include "platform/FileSystem.h"

namespace gridmoor {

class ProfileStore {
 public:
  explicit ProfileStore(FileSystem& files) : m_files(files) {}  // not owned

  // Copies the value of `key` in `section` of `file` into `buffer` (NUL-terminated, cut to
  // bufferSize - 1 characters), or `defaultValue` when the file, the section or the key is
  // missing. Answers the number of characters copied, without the NUL.
  unsigned GetPrivateProfileStringA(const char* section, const char* key,
                                    const char* defaultValue, char* buffer,
                                    unsigned bufferSize, const std::string& file);

  // Sets `key` in `section` of `file` to `value`, adding the key, the section or the file as
  // needed. Answers non-zero on success and zero on failure (file read-only, folder missing,
  // write failed); a failed write leaves the file as it was.
  int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                 const std::string& file);

 private:
  FileSystem& m_files;
};

}  // namespace gridmoor
