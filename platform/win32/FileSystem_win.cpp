// The file system on Win32, through the ANSI functions. Paths are handed over unchanged.
// The read-only attribute is checked here before every write instead of trusting the system
// to refuse: Wine, run as root, lets a read-only file be opened for writing.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/FileException.h"
#include "platform/FileSystem.h"

namespace gridmoor {
namespace {

int CauseFromError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return kCauseFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return kCauseBadPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return kCauseTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return kCauseAccessDenied;
    case ERROR_INVALID_HANDLE:
      return kCauseInvalidFile;
    case ERROR_CURRENT_DIRECTORY:
      return kCauseRemoveCurrentDir;
    case ERROR_NO_MORE_FILES:
      return kCauseDirectoryFull;
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE:
      return kCauseBadSeek;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_NOT_READY:
      return kCauseHardIO;
    case ERROR_SHARING_VIOLATION:
    case ERROR_SHARING_BUFFER_EXCEEDED:
      return kCauseSharingViolation;
    case ERROR_LOCK_VIOLATION:
      return kCauseLockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return kCauseDiskFull;
    case ERROR_HANDLE_EOF:
      return kCauseEndOfFile;
    default:
      return kCauseGeneric;
  }
}

[[noreturn]] void ThrowLastError(const std::string& name) {
  throw CFileException(CauseFromError(GetLastError()), name);
}

// An owned file handle; closing is the destructor's job.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = INVALID_HANDLE_VALUE;
  }
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      m_handle = other.m_handle;
      other.m_handle = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  HANDLE Get() const { return m_handle; }
  bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
  // Closes now; answers false when closing failed (GetLastError tells why).
  bool Close() {
    const BOOL ok = Valid() ? CloseHandle(m_handle) : TRUE;
    m_handle = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }

 private:
  void Reset() {
    if (Valid()) CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
  }
  HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// An owned search handle of FindFirstFileA; FindClose is the destructor's job.
class UniqueFind {
 public:
  UniqueFind(const std::string& pattern, WIN32_FIND_DATAA& entry)
      : m_find(FindFirstFileA(pattern.c_str(), &entry)) {}
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  ~UniqueFind() {
    if (Valid()) FindClose(m_find);
  }
  bool Valid() const { return m_find != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_find; }

 private:
  HANDLE m_find;
};

class WinOpenFile : public OpenFile {
 public:
  explicit WinOpenFile(UniqueHandle handle) : m_handle(std::move(handle)) {}

 private:
  UniqueHandle m_handle;
};

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDifference = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

std::int64_t SecondsFromFileTime(const FILETIME& ft) {
  const std::int64_t ticks =
      (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  if (ticks == 0) return 0;
  return (ticks - kEpochDifference) / kTicksPerSecond;
}

FILETIME FileTimeFromSeconds(std::int64_t seconds) {
  const std::uint64_t ticks =
      static_cast<std::uint64_t>(seconds * kTicksPerSecond + kEpochDifference);
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

// Opens an existing file for reading, letting others read too but not write.
UniqueHandle OpenForSharedRead(const std::string& path) {
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) ThrowLastError(path);
  return file;
}

std::string ReadUpTo(HANDLE file, std::size_t maxBytes, bool& truncated,
                     const std::string& name) {
  std::string bytes;
  std::vector<char> chunk(65536);
  truncated = false;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
      ThrowLastError(name);
    }
    if (got == 0) break;
    const std::size_t room = maxBytes - bytes.size();
    if (got > room) {
      bytes.append(chunk.data(), room);
      truncated = true;
      break;
    }
    bytes.append(chunk.data(), got);
  }
  return bytes;
}

// Everything up to the last separator; "." for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t sep = path.find_last_of("\\/");
  if (sep == std::string::npos) return ".";
  return path.substr(0, sep + 1);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(FolderOf(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A temporary file beside the target, deleted unless it took the target's place.
class TempFile {
 public:
  explicit TempFile(const std::string& target) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      m_path = target + TemporarySuffix(random());
      m_handle = UniqueHandle(CreateFileA(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
      if (m_handle.Valid()) return;
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    m_path.clear();
    ThrowLastError(target);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    m_handle.Close();
    if (!m_path.empty()) DeleteFileA(m_path.c_str());
  }

  HANDLE Handle() const { return m_handle.Get(); }
  const std::string& Path() const { return m_path; }
  bool Close() { return m_handle.Close(); }
  void Committed() { m_path.clear(); }

 private:
  std::string m_path;
  UniqueHandle m_handle;
};

class WinFileSystem : public FileSystem {
 public:
  std::optional<std::string> CurrentDirectory(std::size_t bufferSize) override {
    for (;;) {
      const DWORD needed = GetCurrentDirectoryA(0, nullptr);
      if (needed == 0) return std::nullopt;
      std::vector<char> buffer(needed);
      const DWORD length = GetCurrentDirectoryA(needed, buffer.data());
      if (length == 0) return std::nullopt;
      if (length >= needed) continue;  // changed in between; ask again
      if (length >= bufferSize) return std::nullopt;
      return std::string(buffer.data(), length);
    }
  }

  void CreateDirectoryLevel(const std::string& path) override {
    if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return;
    ThrowLastError(path);
  }

  void CopyFileOverwrite(const std::string& from, const std::string& to) override {
    OpenForSharedRead(from);  // throws naming the source when it cannot be read
    const DWORD target = GetFileAttributesA(to.c_str());
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY)) {
      throw CFileException(kCauseAccessDenied, to);
    }
    if (CopyFileA(from.c_str(), to.c_str(), FALSE)) return;
    const DWORD error = GetLastError();
    UniqueHandle source(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    throw CFileException(CauseFromError(error), source.Valid() ? to : from);
  }

  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& path) override {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) ThrowLastError(path);
    return std::make_unique<WinOpenFile>(std::move(file));
  }

  FileStatus GetStatus(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) ThrowLastError(path);
    FileStatus status;
    status.attributes = data.dwFileAttributes;
    status.creationTime = SecondsFromFileTime(data.ftCreationTime);
    status.lastAccessTime = SecondsFromFileTime(data.ftLastAccessTime);
    status.lastWriteTime = SecondsFromFileTime(data.ftLastWriteTime);
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return status;
  }

  void SetStatus(const std::string& path, const FileStatus& status) override {
    if (status.creationTime != 0 || status.lastAccessTime != 0 || status.lastWriteTime != 0) {
      // FILE_WRITE_ATTRIBUTES alone, so a read-only file's times can be set too.
      UniqueHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (!file.Valid()) ThrowLastError(path);
      FILETIME creation = FileTimeFromSeconds(status.creationTime);
      FILETIME access = FileTimeFromSeconds(status.lastAccessTime);
      FILETIME write = FileTimeFromSeconds(status.lastWriteTime);
      if (!SetFileTime(file.Get(), status.creationTime != 0 ? &creation : nullptr,
                       status.lastAccessTime != 0 ? &access : nullptr,
                       status.lastWriteTime != 0 ? &write : nullptr)) {
        ThrowLastError(path);
      }
    }
    DWORD attributes = status.attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesA(path.c_str(), attributes)) ThrowLastError(path);
  }

  std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                           bool* truncated) override {
    try {
      UniqueHandle file = OpenForSharedRead(path);
      bool cut = false;
      std::string bytes = ReadUpTo(file.Get(), maxBytes, cut, path);
      if (truncated) *truncated = cut;
      return bytes;
    } catch (const CFileException&) {
      return std::nullopt;
    }
  }

  std::optional<std::string> ReadExistingFile(const std::string& path,
                                              std::size_t maxBytes) override {
    UniqueHandle file;
    try {
      file = OpenForSharedRead(path);
    } catch (const CFileException& e) {
      if (e.Cause() == kCauseFileNotFound) return std::nullopt;
      throw;
    }
    bool cut = false;
    std::string bytes = ReadUpTo(file.Get(), maxBytes, cut, path);
    if (cut) throw CFileException(kCauseGeneric, path);
    return bytes;
  }

  bool ReplaceFileContents(const std::string& path, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    try {
      Replace(path, expected, bytes);
      return true;
    } catch (const CFileException&) {
      return false;
    }
  }

  bool RemoveFile(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(GetLastError());
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
    return DeleteFileA(path.c_str()) || IsMissing(GetLastError());
  }

  bool MoveFile(const std::string& from, const std::string& to) override {
    // No replace: `to` must be free. Across volumes Windows copies, flushed before it deletes.
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
  }

  bool ReadInPieces(const std::string& path,
                    const std::function<bool(std::string_view)>& sink) override {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) return false;
    std::string piece(std::size_t{1} << 20, '\0');
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.Get(), piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr))
        return false;
      if (got == 0) return true;
      if (!sink(std::string_view(piece.data(), got))) return false;
    }
  }

  std::string Fingerprint(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
      return IsMissing(GetLastError()) ? "missing" : "unreadable";
    const unsigned long long size =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const unsigned long long written =
        (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return std::to_string(size) + " " + std::to_string(written);
  }

  bool RemoveFolderTree(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(GetLastError());
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path.c_str()) != FALSE;
    bool ok = true;
    // A junction or directory link is removed as the link; its target is never entered.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      WIN32_FIND_DATAA entry;
      const UniqueFind find(path + "\\*", entry);
      if (find.Valid()) {
        do {
          const std::string name = entry.cFileName;
          if (name != "." && name != ".." && !RemoveFolderTree(path + "\\" + name)) ok = false;
        } while (FindNextFileA(find.Get(), &entry));
      }
    }
    return RemoveDirectoryA(path.c_str()) != FALSE && ok;
  }

  int RemoveStaleTemporaries(const std::string& folder) override {
    WIN32_FIND_DATAA entry;
    const UniqueFind find(folder + "\\*.~*", entry);
    if (!find.Valid()) return 0;
    int removed = 0;
    do {
      const std::string name = entry.cFileName;
      // Only files: a folder or a link of that name is someone else's.
      if (!IsTemporaryFileName(name) ||
          (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        continue;
      }
      const std::string path = folder + "\\" + name;
      const bool readOnly = (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
      if (readOnly) {
        SetFileAttributesA(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      }
      // A temporary file still open in a running replace is not shared for deletion and stays.
      if (DeleteFileA(path.c_str())) {
        ++removed;
      } else if (readOnly) {
        SetFileAttributesA(path.c_str(), entry.dwFileAttributes);
      }
    } while (FindNextFileA(find.Get(), &entry));
    return removed;
  }

  std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
    WIN32_FIND_DATAA entry;
    const UniqueFind find(path + "\\*", entry);
    if (!find.Valid()) return std::nullopt;
    std::vector<FolderEntry> entries;
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      entries.push_back({name, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find.Get(), &entry));
    return entries;
  }

  // CopyFileA leaves the flushing to the system; there is nothing to make durable here.
  void FlushFolder(const std::string&) override {}

 private:
  static bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }

  static void SetCreationTime(const std::string& file, const FILETIME& creation,
                              const std::string& name) {
    UniqueHandle handle(CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid() || !SetFileTime(handle.Get(), &creation, nullptr, nullptr)) {
      ThrowLastError(name);
    }
  }

  static void Replace(const std::string& path, const std::optional<std::string>& expected,
                      const std::string& bytes) {
    if (!FolderExists(path)) throw CFileException(kCauseBadPath, path);
    WIN32_FILE_ATTRIBUTE_DATA old;
    const bool exists = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &old) != FALSE;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) ThrowLastError(path);
    if (exists && (old.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
      throw CFileException(kCauseAccessDenied, path);
    }
    // Someone else's change since the caller read the file is never overwritten.
    if (exists != expected.has_value()) throw CFileException(kCauseSharingViolation, path);
    if (exists) {
      UniqueHandle current = OpenForSharedRead(path);
      bool cut = false;
      if (ReadUpTo(current.Get(), expected->size(), cut, path) != *expected || cut) {
        throw CFileException(kCauseSharingViolation, path);
      }
    }

    TempFile temp(path);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
      DWORD written = 0;
      if (!WriteFile(temp.Handle(), bytes.data() + done, chunk, &written, nullptr)) {
        ThrowLastError(path);
      }
      done += written;
    }
    if (!FlushFileBuffers(temp.Handle())) ThrowLastError(path);
    if (!temp.Close()) ThrowLastError(path);

    if (exists) {
      // The new file takes the old one's attributes and creation time whether or not the
      // replace carries them. Attributes first: setting them may rewrite the stored times.
      const DWORD kept = old.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                 FILE_ATTRIBUTE_ARCHIVE);
      if (kept != 0 && !SetFileAttributesA(temp.Path().c_str(), kept)) ThrowLastError(path);
      SetCreationTime(temp.Path(), old.ftCreationTime, path);
      // ReplaceFileA may leave a file of its own behind when the target is held open, so a
      // held target is refused before it is called.
      UniqueHandle probe(CreateFileA(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!probe.Valid()) ThrowLastError(path);
      probe.Close();
      if (!ReplaceFileA(path.c_str(), temp.Path().c_str(), nullptr, 0, nullptr, nullptr)) {
        ThrowLastError(path);
      }
    } else if (!MoveFileExA(temp.Path().c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
      // Without MOVEFILE_REPLACE_EXISTING: a file created meanwhile is not overwritten.
      ThrowLastError(path);
    }
    temp.Committed();
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<WinFileSystem>(); }

}  // namespace gridmoor
