// Windows: zips unpacked with our own reader into a private folder under %TEMP%; other archives
// (7z, rar, tar, programs) are left to the player's own tools.

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "cli/ArchiveEntry.h"
#include "cli/ArchiveRules.h"
#include "cli/ArchiveUnpack.h"
#include "cli/ZipUnpack.h"

namespace gridmoor::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStagingPrefix = "gridmoor-unpack-";

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

void RemoveTree(const std::string& folder) {
  std::error_code ignored;
  fs::remove_all(fs::path(Wide(folder, CP_ACP)), ignored);
}

// The staging folders of this process, removed at Ctrl+C or a closed console, when Windows ends
// the process without running destructors. A file still open then stays; the next run takes it.
class LiveFolders {
 public:
  static LiveFolders& Get() {
    static LiveFolders live;
    return live;
  }
  void Add(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_handler) m_handler = SetConsoleCtrlHandler(&LiveFolders::OnSignal, TRUE) != 0;
    m_folders.insert(folder);
  }
  void Remove(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folders.erase(folder);
  }

 private:
  static BOOL WINAPI OnSignal(DWORD) noexcept {
    LiveFolders& live = Get();
    std::lock_guard<std::mutex> lock(live.m_mutex);
    for (const std::string& folder : live.m_folders) RemoveTree(folder);
    return FALSE;  // the default handler then ends the process
  }

  std::mutex m_mutex;
  std::set<std::string> m_folders;
  bool m_handler = false;
};

bool ProcessGone(DWORD pid) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

std::string TemporaryFolder() {
  char temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  std::string folder = length > 0 && length < sizeof temp ? std::string(temp, length) : ".\\";
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

// Staging folders of runs that ended without removing them.
void RemoveStaleStaging(const std::string& temp) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((temp + kStagingPrefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::string rest = found.cFileName + std::strlen(kStagingPrefix);
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash > 10 || dash == std::string::npos ||
        rest.find_first_not_of("0123456789") != dash)
      continue;
    const unsigned long long pid = std::stoull(rest.substr(0, dash));
    if (pid > 0xFFFFFFFFull || pid == GetCurrentProcessId() ||
        !ProcessGone(static_cast<DWORD>(pid)))
      continue;
    RemoveTree(temp + found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

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

// Zips, and programs holding one (setup files, self-extracting zips).
bool CanUnpack(ArchiveKind kind) { return kind == ArchiveKind::kZip || kind == ArchiveKind::kProgram; }

struct ArchiveStaging::Impl {
  UnpackLimits limits;
  std::string folder;
  int archives = 0;

  bool Create(std::string& error) {
    if (!folder.empty()) return true;
    const std::string temp = TemporaryFolder();
    const std::string base = temp + kStagingPrefix + std::to_string(GetCurrentProcessId()) + "-";
    // A fresh name each try: another run of this process id may have left one (not yet gone).
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      const std::string name = base + std::to_string(GetTickCount() + attempt);
      if (CreateDirectoryA(name.c_str(), nullptr)) {
        folder = name;
        LiveFolders::Get().Add(folder);
        return true;
      }
      if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    error = "no staging folder can be made in " + temp + ": " + ErrorText(GetLastError());
    return false;
  }

  ~Impl() {
    if (folder.empty()) return;
    RemoveTree(folder);
    LiveFolders::Get().Remove(folder);
  }
};

ArchiveStaging::ArchiveStaging(UnpackLimits limits) : m_impl(std::make_unique<Impl>()) {
  m_impl->limits = limits;
  RemoveStaleStaging(TemporaryFolder());
}
ArchiveStaging::~ArchiveStaging() = default;

std::string ArchiveStaging::Folder() const { return m_impl->folder; }

UnpackedArchive ArchiveStaging::Unpack(const std::string& path) {
  UnpackedArchive result;
  if (!CanUnpack(SniffArchive(path))) {
    result.error = path + ": an archive; unpack it first";
    return result;
  }
  ZipUnpacker unpacker(path, m_impl->limits);
  std::vector<std::string> files;
  if (std::optional<Refusal> refusal = unpacker.List(files)) {
    result.error = refusal->text;
    result.notAnArchive = refusal->notAnArchive;
    return result;
  }
  result.roots = PackageRoots(files);
  if (result.roots.empty()) {
    result.error = path + ": no package in it (no folder holds an install.ini)";
    return result;
  }
  if (!m_impl->Create(result.error)) return result;
  const std::string into = m_impl->folder + "\\" + std::to_string(++m_impl->archives);
  if (!CreateDirectoryA(into.c_str(), nullptr)) {
    result.error = path + ": cannot be unpacked into the staging folder: " +
                   ErrorText(GetLastError());
    return result;
  }
  std::optional<Refusal> refusal;
  {
    WindowsTarget target(into);
    refusal = unpacker.Extract(result.roots, target);
  }
  if (refusal) {
    RemoveTree(into);
    result.error = refusal->text;
    result.roots.clear();
    return result;
  }
  for (const std::string& root : result.roots) {
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
    result.folders.push_back(root.empty() ? into : into + "\\" + ansi);
  }
  result.unpackedInto = into;
  result.ok = true;
  return result;
}

}  // namespace gridmoor::cli
