#pragma once
// What a scenario stands on: the program and the demo material, scratch folders holding a
// game folder and a package, snapshots and INI readings of files, and the registry entries
// the program looks at, each put back when the scenario ends.

#include <windows.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace gridmoor::e2e {

// gridmoor.exe of this build, as a Windows path.
std::string ProgramPath();
// A file or folder of the demo material (examples\...), as a Windows path.
std::string ExamplePath(const std::string& relative);

// `folder` + "\" + `name`.
std::string Join(const std::string& folder, const std::string& name);

// A scratch folder for one scenario, <temp>\gridmoor-e2e\<name>: emptied when made, removed
// with its owner.
class Sandbox {
 public:
  explicit Sandbox(const std::string& name);
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& Root() const { return m_root; }
  std::string Path(const std::string& relative) const { return Join(m_root, relative); }

 private:
  std::string m_root;
};

// Files. Each answers false (or empty) when the file system refuses.
bool CopyTree(const std::string& from, const std::string& to);
void RemoveTree(const std::string& path);  // read-only marks are cleared first
bool Exists(const std::string& path);
std::optional<std::string> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool IsReadOnly(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);

// Every file and folder under a root, by relative path: contents and attributes.
struct EntryState {
  bool folder = false;
  DWORD attributes = 0;
  std::string bytes;
  bool operator==(const EntryState& other) const {
    return folder == other.folder && attributes == other.attributes && bytes == other.bytes;
  }
};
using TreeSnapshot = std::map<std::string, EntryState>;
// Leaves out seasons\gridmoor-* (in any game folder under `root`): the folders of ours beside
// the season files.
TreeSnapshot Snapshot(const std::string& root);
// What differs between two snapshots, one line per entry; empty when they are equal.
std::string Differences(const TreeSnapshot& before, const TreeSnapshot& after);
// The relative paths that were added, removed or changed.
std::set<std::string> ChangedPaths(const TreeSnapshot& before, const TreeSnapshot& after);

// A profile (INI) file as sections of key/value entries, in file order. Names compare
// without regard to letter case, as the profile service does.
struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;
};
using IniFile = std::vector<IniSection>;
IniFile ParseIni(const std::string& text);
std::optional<std::string> IniValue(const IniFile& ini, const std::string& section,
                                    const std::string& key);
// The file's lines without their line ends.
std::vector<std::string> Lines(const std::string& text);
// Whether `lines` holds every line of `kept` in the same order (others may come between).
bool KeepsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& kept);

// An event of a season file, as the game lays it out.
struct SeasonEvent {
  std::string name, shortname, trackDirectory, numberOfLaps, day, month, startingGrid;
  std::vector<std::string> extraLines;  // further "key=value" lines of the section
};
// A season file with CR LF line ends: [Season] with numEvents = `count`, then the events.
std::string SeasonFileText(const std::vector<SeasonEvent>& events, int count);
// `count` made-up events, Event1 to Event<count>.
std::vector<SeasonEvent> MadeUpEvents(int count);

// The game's setup entry, HKLM\Software\Sierra OnLine\Setup\GPL, value "Directory": changed
// for one scenario and put back as it was when the owner goes.
class ScopedGameSetupEntry {
 public:
  ScopedGameSetupEntry();
  ~ScopedGameSetupEntry();
  ScopedGameSetupEntry(const ScopedGameSetupEntry&) = delete;
  ScopedGameSetupEntry& operator=(const ScopedGameSetupEntry&) = delete;

  bool SetDirectory(const std::string& folder);
  bool RemoveKey();
  bool KeepKeyWithoutValue();

 private:
  bool m_hadKey = false;
  const char* m_firstMissingLevel = nullptr;  // the outermost key of the path that was missing
  std::optional<std::string> m_oldValue;
};

// Moves the shell's handlers for web addresses and web pages (http, https, .htm, .html and
// the classes they name) aside in the registry, and brings them back when the owner goes.
class ScopedNoWebHandlers {
 public:
  ScopedNoWebHandlers();
  ~ScopedNoWebHandlers();
  ScopedNoWebHandlers(const ScopedNoWebHandlers&) = delete;
  ScopedNoWebHandlers& operator=(const ScopedNoWebHandlers&) = delete;

  // Whether a handler is left (the move failed).
  static bool AnyHandlerLeft();

 private:
  std::vector<std::pair<HKEY, std::string>> m_moved;  // root and class key path, moved aside
};

// Holds a file open with no sharing, as another program may: opens fail while it lives.
class ScopedExclusiveOpen {
 public:
  explicit ScopedExclusiveOpen(const std::string& path);
  ~ScopedExclusiveOpen();
  ScopedExclusiveOpen(const ScopedExclusiveOpen&) = delete;
  ScopedExclusiveOpen& operator=(const ScopedExclusiveOpen&) = delete;
  bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_file;
};

}  // namespace gridmoor::e2e
