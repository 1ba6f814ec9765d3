// Windows: zips unpacked with our own reader into a private folder under %TEMP%; other archives
// (7z, rar, tar, programs) are left to the player's own tools. A staging folder has a random
// name and holds a lock file open while its run lives: the next run removes a leftover only
// when it can take that lock, so a folder in use (by gridmoor.exe or gridmoor-cli) is never
// taken from under it.

#include <windows.h>
// After windows.h:
#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <map>
#include <string>

#include "archive/ArchiveUnpack.h"
#include "archive/Staging.h"

namespace gridmoor {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLockName = "lock";
constexpr std::size_t kRandomDigits = 16;
// A folder of ours without its lock is one being made this moment, or one whose run ended
// right then; after this long it is the latter.
constexpr ULONGLONG kUnlockedGrace = 60ULL * 10000000ULL;  // 100-nanosecond steps

// The game and the engine address files in the ANSI code page; entry names come in UTF-8.
std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  if (size > 0)
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        size);
  return wide;
}

// Whether `wide` has a name in the ANSI code page, which the engine's file calls use.
bool FitsAnsi(const std::wstring& wide) {
  if (wide.empty()) return true;
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                       static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
  return size > 0 && !lossy;
}

std::string ErrorText(DWORD code) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string said = text ? text : "error " + std::to_string(code);
  LocalFree(text);
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == '.'))
    said.pop_back();
  return said;
}

// The staging folders of this process, removed at Ctrl+C or a closed console, when Windows ends
// the process without running destructors. A file still open then stays; the next run takes it.
class LiveFolders {
 public:
  static LiveFolders& Get() {
    static LiveFolders live;
    return live;
  }
  void Add(const std::string& folder, HANDLE lockFile) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_handler) m_handler = SetConsoleCtrlHandler(&LiveFolders::OnSignal, TRUE) != 0;
    m_folders[folder] = lockFile;
  }
  void Remove(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folders.erase(folder);
  }

 private:
  static BOOL WINAPI OnSignal(DWORD) noexcept {
    LiveFolders& live = Get();
    std::lock_guard<std::mutex> lock(live.m_mutex);
    for (const auto& [folder, lockFile] : live.m_folders) {
      CloseHandle(lockFile);  // the process ends next: nothing uses the handle again
      RemoveTree(folder);
    }
    return FALSE;  // the default handler then ends the process
  }

  std::mutex m_mutex;
  std::map<std::string, HANDLE> m_folders;  // each with its lock file
  bool m_handler = false;
};

// `digits` random hexadecimal digits, from the system's generator.
std::string RandomName(std::size_t digits) {
  unsigned char bytes[32] = {};
  RtlGenRandom(bytes, static_cast<ULONG>(digits / 2));
  static const char kHex[] = "0123456789abcdef";
  std::string name;
  for (std::size_t i = 0; i < digits / 2; ++i) {
    name += kHex[bytes[i] >> 4];
    name += kHex[bytes[i] & 15];
  }
  return name;
}

bool IsOurName(const std::string& name) {
  const std::size_t prefix = std::strlen(kStagingPrefix);
  return name.size() == prefix + kRandomDigits && name.compare(0, prefix, kStagingPrefix) == 0 &&
         name.find_first_not_of("0123456789abcdef", prefix) == std::string::npos;
}

// A security descriptor that lets this user alone (and what he starts) into a folder.
class OwnerOnly {
 public:
  OwnerOnly() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    char* sid = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
      // Protected from the parent's entries; inherited by everything made inside.
      const std::string sddl = std::string("D:P(A;OICI;FA;;;") + sid + ")";
      ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                           &m_descriptor, nullptr);
      LocalFree(sid);
    }
    CloseHandle(token);
  }
  ~OwnerOnly() { LocalFree(m_descriptor); }
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;
  // nullptr (the folder's default) where the system cannot say who this is.
  SECURITY_ATTRIBUTES* Attributes() {
    if (!m_descriptor) return nullptr;
    m_attributes = {sizeof m_attributes, m_descriptor, FALSE};
    return &m_attributes;
  }

 private:
  PSECURITY_DESCRIPTOR m_descriptor = nullptr;
  SECURITY_ATTRIBUTES m_attributes{};
};

class WindowsStaging : public StagingFolder {
 public:
  WindowsStaging(std::string path, HANDLE lockFile)
      : StagingFolder(std::move(path)), m_lock(lockFile) {
    LiveFolders::Get().Add(Path(), m_lock);
  }
  ~WindowsStaging() override {
    LiveFolders::Get().Remove(Path());
    CloseHandle(m_lock);
    RemoveTree(Path());
  }
  WindowsStaging(const WindowsStaging&) = delete;
  WindowsStaging& operator=(const WindowsStaging&) = delete;

 private:
  HANDLE m_lock;  // owned: open, unshared, while the folder is in use
};

// An archive's folder in the staging folder, written with the wide calls so that any entry name
// is kept; only names the engine can address (the ANSI code page) are taken.
class WindowsTarget : public UnpackTarget {
 public:
  explicit WindowsTarget(const std::string& into) : m_into(Wide(into, CP_ACP)) {}

  bool MakeFolders(const std::string& path) override {
    std::wstring folder = m_into;
    for (std::size_t start = 0; start < path.size();) {
      std::size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      const std::wstring part = Wide(path.substr(start, end - start), CP_UTF8);
      if (!FitsAnsi(part)) return Unnamed();
      folder += L'\\';
      folder += part;
      if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Failed();
      const DWORD attributes = GetFileAttributesW(folder.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failed();
      start = end + 1;
    }
    return true;
  }

  std::unique_ptr<UnpackedFile> Create(const std::string& path) override {
    std::wstring relative = Wide(path, CP_UTF8);
    if (!FitsAnsi(relative)) {
      Unnamed();
      return nullptr;
    }
    std::replace(relative.begin(), relative.end(), L'/', L'\\');
    const HANDLE file = CreateFileW((m_into + L'\\' + relative).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Failed();
      return nullptr;
    }
    return std::make_unique<File>(file, m_why);
  }

  std::string Why() const override { return m_why; }

 private:
  class File : public UnpackedFile {
   public:
    File(HANDLE file, std::string& why) : m_file(file), m_why(why) {}
    ~File() override {
      if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool Write(const char* bytes, std::size_t size) override {
      for (std::size_t done = 0; done < size;) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(m_file, bytes + done, part, &wrote, nullptr) || wrote == 0) {
          m_why = ErrorText(GetLastError());
          return false;
        }
        done += wrote;
      }
      return true;
    }
    void SetModified(std::int64_t seconds) override {
      // FILETIME counts 100-nanosecond steps from 1601.
      const auto ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
      const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
      SetFileTime(m_file, nullptr, nullptr, &time);
    }
    bool Close() override {
      const HANDLE file = m_file;
      m_file = INVALID_HANDLE_VALUE;
      if (CloseHandle(file)) return true;
      m_why = ErrorText(GetLastError());
      return false;
    }

   private:
    HANDLE m_file;  // owned
    std::string& m_why;  // the target's
  };

  bool Failed() {
    m_why = ErrorText(GetLastError());
    return false;
  }
  bool Unnamed() {
    m_why = "its name has letters this system's code page lacks";
    return false;
  }

  std::wstring m_into;
  std::string m_why;
};

}  // namespace

// Zips, and programs carrying one (setup files, self-extracting zips).
bool CanUnpack(ArchiveKind kind) { return kind == ArchiveKind::kZip || kind == ArchiveKind::kProgram; }

std::string TemporaryFolder() {
  char temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  std::string folder = length > 0 && length < sizeof temp ? std::string(temp, length) : ".\\";
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

void RemoveLeftoverStaging(const std::string& temp) {
  std::string folder = temp;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + kStagingPrefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsOurName(found.cFileName))
      continue;
    const std::string path = folder + found.cFileName;
    // Taken only when no one holds it; another user's folder cannot be opened at all.
    const HANDLE lock = CreateFileA((path + "\\" + kLockName).c_str(),
                                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
      if (GetLastError() != ERROR_FILE_NOT_FOUND ||
          ticks(now) - ticks(found.ftCreationTime) < kUnlockedGrace)
        continue;
    } else {
      CloseHandle(lock);
    }
    RemoveTree(path);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::unique_ptr<StagingFolder> StagingFolder::Make(const std::string& temp, std::string& error) {
  std::string base = temp;
  if (!base.empty() && base.back() != '\\') base += '\\';
  OwnerOnly owner;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string path = base + kStagingPrefix + RandomName(kRandomDigits);
    // Made here and now or not at all: a name that exists is never taken over.
    if (!CreateDirectoryA(path.c_str(), owner.Attributes())) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      break;
    }
    const HANDLE lock = CreateFileA((path + "\\" + kLockName).c_str(),
                                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      RemoveDirectoryA(path.c_str());
      SetLastError(code);
      break;
    }
    return std::make_unique<WindowsStaging>(path, lock);
  }
  error = "no staging folder can be made in " + base + ": " + ErrorText(GetLastError());
  return nullptr;
}

bool MakePrivateFolder(const std::string& path, std::string& why) {
  // Inherits the staging folder's owner-only entries.
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  why = ErrorText(GetLastError());
  return false;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(fs::path(Wide(path, CP_ACP)), ignored);
}

std::string PackageFolderIn(const std::string& into, const std::string& root) {
  if (root.empty()) return into;
  std::string inside = root;
  std::replace(inside.begin(), inside.end(), '/', '\\');
  // The engine's paths are in the ANSI code page, as the files were named.
  const std::wstring wide = Wide(inside, CP_UTF8);
  std::string ansi(wide.size() * 2 + 1, '\0');
  const int size = wide.empty() ? 0 : WideCharToMultiByte(CP_ACP, 0, wide.data(),
                                                           static_cast<int>(wide.size()),
                                                           ansi.data(), static_cast<int>(ansi.size()),
                                                           nullptr, nullptr);
  ansi.resize(static_cast<std::size_t>(std::max(size, 0)));
  return into + "\\" + ansi;
}

std::unique_ptr<UnpackTarget> MakeUnpackTarget(const std::string& into) {
  return std::make_unique<WindowsTarget>(into);
}

std::unique_ptr<ArchiveReader> OpenOtherArchive(const std::string&, const UnpackLimits&) {
  return nullptr;  // CanUnpack lets only zips through, bare or carried by a program
}

}  // namespace gridmoor
