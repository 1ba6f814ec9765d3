#include "e2e/Sandbox.h"

#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#ifndef GRIDMOOR_EXE
#error "GRIDMOOR_EXE names the program under test"
#endif
#ifndef GRIDMOOR_EXAMPLES_DIR
#error "GRIDMOOR_EXAMPLES_DIR names the demo material"
#endif

namespace gridmoor::e2e {

namespace {

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Calls `visit(name, findData)` for each entry of `folder` but "." and "..".
template <class Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") visit(name, data);
  } while (FindNextFileA(search, &data));
  FindClose(search);
}

void SnapshotInto(const std::string& root, const std::string& relative, TreeSnapshot& into) {
  ForEachEntry(relative.empty() ? root : Join(root, relative),
               [&](const std::string& name, const WIN32_FIND_DATAA& data) {
                 const std::string path = relative.empty() ? name : Join(relative, name);
                 // The folders of ours (undo steps, event library, sets) are not the run's
                 // outcome; the step the dialog keeps is checked on its own.
                 const std::size_t ours = path.find("seasons\\gridmoor-");
                 if (ours != std::string::npos && (ours == 0 || path[ours - 1] == '\\')) return;
                 EntryState& state = into[path];
                 state.attributes = data.dwFileAttributes;
                 state.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                 if (state.folder) {
                   SnapshotInto(root, path, into);
                 } else {
                   state.bytes = ReadFileBytes(Join(root, path)).value_or("<unreadable>");
                 }
               });
}

// An open registry key, closed with its owner.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (m_key) RegCloseKey(m_key);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  bool Open(HKEY root, const std::string& path, REGSAM access) {
    return RegOpenKeyExA(root, path.c_str(), 0, access, &m_key) == ERROR_SUCCESS;
  }
  bool Create(HKEY root, const std::string& path) {
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key,
                           nullptr) == ERROR_SUCCESS;
  }
  HKEY Get() const { return m_key; }

 private:
  HKEY m_key = nullptr;
};

bool KeyExists(HKEY root, const std::string& path) {
  Key key;
  return key.Open(root, path, KEY_QUERY_VALUE);
}

// The game's setup key and the keys above it, outermost first.
constexpr const char* kSetupLevels[] = {"Software\\Sierra OnLine", "Software\\Sierra OnLine\\Setup",
                                        "Software\\Sierra OnLine\\Setup\\GPL"};
constexpr const char* kSetupKey = kSetupLevels[2];
constexpr const char* kDirectoryValue = "Directory";

// Where moved registry keys wait to be brought back.
constexpr const char* kAsideKey = "Software\\Gridmoor e2e\\Aside";

std::string AsidePath(HKEY root, const std::string& name) {
  return std::string(kAsideKey) + (root == HKEY_LOCAL_MACHINE ? "\\machine\\" : "\\user\\") + name;
}

// Copies `fromPath` under `fromRoot` to `toPath` under `toRoot`, then deletes the original.
bool MoveKey(HKEY fromRoot, const std::string& fromPath, HKEY toRoot, const std::string& toPath) {
  Key from, to;
  if (!from.Open(fromRoot, fromPath, KEY_READ) || !to.Create(toRoot, toPath)) return false;
  if (SHCopyKeyA(from.Get(), nullptr, to.Get(), 0) != ERROR_SUCCESS) return false;
  return SHDeleteKeyA(fromRoot, fromPath.c_str()) == ERROR_SUCCESS;
}

const HKEY kClassRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
constexpr const char* kWebClasses[] = {"http", "https", ".htm", ".html", "htmlfile"};

std::string ClassPath(const std::string& name) { return "Software\\Classes\\" + name; }

// Brings back what an earlier run moved aside and could not return (it ended abruptly).
void ReturnLeftovers() {
  for (HKEY root : kClassRoots) {
    for (const char* name : kWebClasses) {
      if (KeyExists(HKEY_CURRENT_USER, AsidePath(root, name))) {
        MoveKey(HKEY_CURRENT_USER, AsidePath(root, name), root, ClassPath(name));
      }
    }
  }
}

}  // namespace

std::string ProgramPath() { return Backslashed(GRIDMOOR_EXE); }

std::string ExamplePath(const std::string& relative) {
  return Join(Backslashed(GRIDMOOR_EXAMPLES_DIR), relative);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

Sandbox::Sandbox(const std::string& name) {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string base = Join(temp, "gridmoor-e2e");
  CreateDirectoryA(base.c_str(), nullptr);
  m_root = Join(base, name);
  RemoveTree(m_root);
  CreateDirectoryA(m_root.c_str(), nullptr);
}

Sandbox::~Sandbox() { RemoveTree(m_root); }

bool CopyTree(const std::string& from, const std::string& to) {
  if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return false;
  }
  bool ok = true;
  ForEachEntry(from, [&](const std::string& name, const WIN32_FIND_DATAA& data) {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = CopyTree(Join(from, name), Join(to, name)) && ok;
    } else {
      ok = CopyFileA(Join(from, name).c_str(), Join(to, name).c_str(), FALSE) && ok;
    }
  });
  return ok;
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    ForEachEntry(path, [&](const std::string& name, const WIN32_FIND_DATAA&) {
      RemoveTree(Join(path, name));
    });
    RemoveDirectoryA(path.c_str());
  } else {
    DeleteFileA(path.c_str());
  }
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[8192];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD wanted = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  return SetFileAttributesA(path.c_str(), wanted) != 0;
}

TreeSnapshot Snapshot(const std::string& root) {
  TreeSnapshot snapshot;
  SnapshotInto(root, "", snapshot);
  return snapshot;
}

std::string Differences(const TreeSnapshot& before, const TreeSnapshot& after) {
  std::string report;
  for (const auto& [path, state] : before) {
    auto found = after.find(path);
    if (found == after.end()) {
      report += "removed: " + path + "\n";
    } else if (!(found->second == state)) {
      report += "changed: " + path +
                (found->second.attributes != state.attributes ? " (attributes)" : "") + "\n";
    }
  }
  for (const auto& [path, state] : after) {
    if (!before.count(path)) report += "added: " + path + "\n";
  }
  return report;
}

std::set<std::string> ChangedPaths(const TreeSnapshot& before, const TreeSnapshot& after) {
  std::set<std::string> paths;
  for (const auto& [path, state] : before) {
    auto found = after.find(path);
    if (found == after.end() || !(found->second == state)) paths.insert(path);
  }
  for (const auto& entry : after) {
    if (!before.count(entry.first)) paths.insert(entry.first);
  }
  return paths;
}

IniFile ParseIni(const std::string& text) {
  IniFile ini;
  for (const std::string& raw : Lines(text)) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const auto close = line.find(']');
      ini.push_back({line.substr(1, close == std::string::npos ? std::string::npos : close - 1), {}});
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos || ini.empty()) continue;
    ini.back().entries.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
  return ini;
}

std::optional<std::string> IniValue(const IniFile& ini, const std::string& section,
                                    const std::string& key) {
  for (const IniSection& s : ini) {
    if (!SameName(s.name, section)) continue;
    for (const auto& [name, value] : s.entries) {
      if (SameName(name, key)) return value;
    }
  }
  return std::nullopt;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool KeepsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& kept) {
  auto at = lines.begin();
  for (const std::string& line : kept) {
    at = std::find(at, lines.end(), line);
    if (at == lines.end()) return false;
    ++at;
  }
  return true;
}

std::string SeasonFileText(const std::vector<SeasonEvent>& events, int count) {
  std::string text = "[Season]\r\nname=Made-up Season\r\nyear=1967\r\nnumEvents=" +
                     std::to_string(count) + "\r\n\r\n";
  for (std::size_t i = 0; i < events.size(); ++i) {
    const SeasonEvent& e = events[i];
    text += "[Event" + std::to_string(i + 1) + "]\r\n";
    text += "name=" + e.name + "\r\nshortname=" + e.shortname + "\r\ntrackDirectory=" +
            e.trackDirectory + "\r\nnumberOfLaps=" + e.numberOfLaps + "\r\nday=" + e.day +
            "\r\nmonth=" + e.month + "\r\nstartingGrid=" + e.startingGrid + "\r\n";
    for (const std::string& line : e.extraLines) text += line + "\r\n";
    text += "\r\n";
  }
  return text;
}

std::vector<SeasonEvent> MadeUpEvents(int count) {
  std::vector<SeasonEvent> events;
  for (int i = 1; i <= count; ++i) {
    char directory[16];
    std::snprintf(directory, sizeof directory, "track%02d", i);
    const std::string n = std::to_string(i);
    events.push_back({"Made-up " + n + " Grand Prix", "Made-up " + n, directory,
                      std::to_string(40 + i), std::to_string(1 + i % 28),
                      std::to_string(1 + i % 12), "2-2-2", {}});
  }
  return events;
}

ScopedGameSetupEntry::ScopedGameSetupEntry() {
  for (const char* level : kSetupLevels) {
    if (!KeyExists(HKEY_LOCAL_MACHINE, level)) {
      m_firstMissingLevel = level;
      break;
    }
  }
  Key key;
  m_hadKey = key.Open(HKEY_LOCAL_MACHINE, kSetupKey, KEY_QUERY_VALUE);
  if (!m_hadKey) return;
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.Get(), kDirectoryValue, nullptr, &type,
                       reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    m_oldValue = std::string(value);
  }
}

ScopedGameSetupEntry::~ScopedGameSetupEntry() {
  if (!m_hadKey) {
    // Remove what the scenario made, from the outermost key that was not there before.
    if (m_firstMissingLevel) SHDeleteKeyA(HKEY_LOCAL_MACHINE, m_firstMissingLevel);
    return;
  }
  if (m_oldValue) {
    SetDirectory(*m_oldValue);
  } else {
    KeepKeyWithoutValue();
  }
}

bool ScopedGameSetupEntry::SetDirectory(const std::string& folder) {
  Key key;
  return key.Create(HKEY_LOCAL_MACHINE, kSetupKey) &&
         RegSetValueExA(key.Get(), kDirectoryValue, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(folder.c_str()),
                        static_cast<DWORD>(folder.size() + 1)) == ERROR_SUCCESS;
}

bool ScopedGameSetupEntry::RemoveKey() {
  const LSTATUS status = SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSetupKey);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool ScopedGameSetupEntry::KeepKeyWithoutValue() {
  Key key;
  if (!key.Create(HKEY_LOCAL_MACHINE, kSetupKey)) return false;
  const LSTATUS status = RegDeleteValueA(key.Get(), kDirectoryValue);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

ScopedNoWebHandlers::ScopedNoWebHandlers() {
  ReturnLeftovers();
  for (HKEY root : kClassRoots) {
    for (const char* name : kWebClasses) {
      if (KeyExists(root, ClassPath(name)) &&
          MoveKey(root, ClassPath(name), HKEY_CURRENT_USER, AsidePath(root, name))) {
        m_moved.emplace_back(root, name);
      }
    }
  }
}

ScopedNoWebHandlers::~ScopedNoWebHandlers() {
  for (const auto& [root, name] : m_moved) {
    MoveKey(HKEY_CURRENT_USER, AsidePath(root, name), root, ClassPath(name));
  }
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gridmoor e2e");
}

bool ScopedNoWebHandlers::AnyHandlerLeft() {
  for (HKEY root : kClassRoots) {
    for (const char* name : kWebClasses) {
      if (KeyExists(root, ClassPath(name))) return true;
    }
  }
  return false;
}

ScopedExclusiveOpen::ScopedExclusiveOpen(const std::string& path)
    : m_file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}

ScopedExclusiveOpen::~ScopedExclusiveOpen() {
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
}

}  // namespace gridmoor::e2e
