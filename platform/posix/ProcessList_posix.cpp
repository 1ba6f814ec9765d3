#include <dirent.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/ProcessList.h"
#include "platform/WineRegistry.h"
#include "platform/posix/PathCase.h"
#include "platform/posix/ProcessScan.h"

namespace gridmoor {

namespace {

// A command line's first two arguments lie well within this; an environment may not.
constexpr std::size_t kCommandLineBytes = 8192;
constexpr std::size_t kEnvironmentBytes = 1024 * 1024;

std::string ReadSmallFile(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(limit, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(in ? bytes.size() : static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::optional<std::string> ReadLink(const std::string& path) {
  std::vector<char> target(PATH_MAX + 1);
  const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
  return std::string(target.data(), static_cast<std::size_t>(length));
}

std::optional<std::string> RealPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The last name of a path taken at either slash, as a Windows program names itself.
std::string_view LastName(std::string_view path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool IsDosPath(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

// wine, wine64 and their preloaders: the programs every Wine process runs.
bool IsWineLoader(std::string_view name) { return name.substr(0, 4) == "wine"; }

// The NUL-separated entries of a /proc list, at most `count` of them.
std::vector<std::string_view> Entries(std::string_view list, std::size_t count) {
  std::vector<std::string_view> entries;
  std::size_t start = 0;
  while (start < list.size() && entries.size() < count) {
    std::size_t end = list.find('\0', start);
    if (end == std::string_view::npos) end = list.size();
    entries.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

// The Wine prefix a process uses, as Wine picks it: WINEPREFIX, else ~/.wine of its HOME, else
// of its user's home.
std::string PrefixOf(const std::string& processFolder) {
  const std::string environment = ReadSmallFile(processFolder + "/environ", kEnvironmentBytes);
  std::string home;
  for (std::string_view entry : Entries(environment, SIZE_MAX)) {
    if (entry.substr(0, 11) == "WINEPREFIX=" && entry.size() > 11) return std::string(entry.substr(11));
    if (entry.substr(0, 5) == "HOME=") home = std::string(entry.substr(5));
  }
  if (home.empty()) {
    struct stat st;
    if (::stat(processFolder.c_str(), &st) != 0) return {};
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(st.st_uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
      return {};
    home = found->pw_dir;
  }
  return home + "/.wine";
}

}  // namespace

std::optional<std::string> WineProgramPath(std::string_view argument, const std::string& prefix,
                                           const std::string& cwd) {
  if (IsDosPath(argument)) {
    std::string why;
    const std::optional<DosPath> dos = ParseDosPath(argument, why);
    if (!dos || prefix.empty()) return std::nullopt;
    std::optional<std::string> path = RealPath(prefix + "/dosdevices/" + dos->drive + ":");
    if (!path) return std::nullopt;
    for (const std::string& name : dos->folders) *path += (*path == "/" ? "" : "/") + name;
    return ResolvePathCase(*path);
  }
  std::string path(argument);
  if (path.empty()) return std::nullopt;
  if (path[0] != '/') {
    // Relative to the folder Wine was started in, with Windows' separators as well.
    if (cwd.empty()) return std::nullopt;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    path = cwd + "/" + path;
  }
  return ResolvePathCase(path);
}

std::optional<std::string> FindProgramIn(const std::string& procRoot, const std::string& folder,
                                         const std::string& selfPid) {
  std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir(procRoot.c_str()), ::closedir);
  if (!proc) return std::nullopt;
  while (const dirent* entry = ::readdir(proc.get())) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == selfPid) continue;
    const std::string processFolder = procRoot + "/" + pid;

    // A native program: the kernel names its file, links resolved. One replaced or removed
    // since it started still runs from the folder.
    std::optional<std::string> exe = ReadLink(processFolder + "/exe");
    if (exe) {
      const std::string deleted = " (deleted)";
      if (exe->size() > deleted.size() &&
          exe->compare(exe->size() - deleted.size(), deleted.size(), deleted) == 0)
        exe->resize(exe->size() - deleted.size());
      if (ParentOf(*exe) == folder) return std::string(LastName(*exe));
    }

    // A program Wine runs: the process runs Wine's loader, and its command line names the
    // Windows program (by a DOS path once Wine has started it, or as it was given to wine).
    const std::string commandLine = ReadSmallFile(processFolder + "/cmdline", kCommandLineBytes);
    const std::vector<std::string_view> args = Entries(commandLine, 2);
    if (args.empty()) continue;
    bool wine = exe && IsWineLoader(LastName(*exe));
    std::string_view program = args[0];
    if (args.size() > 1 && IsWineLoader(LastName(program))) {
      program = args[1];
      wine = true;
    }
    // Any native program may have a relative first argument; only Wine's are taken as paths.
    if (!IsDosPath(program) && !wine) continue;
    const std::string prefix = IsDosPath(program) ? PrefixOf(processFolder) : "";
    const std::string cwd = IsDosPath(program) ? "" : ReadLink(processFolder + "/cwd").value_or("");
    const std::optional<std::string> path = WineProgramPath(program, prefix, cwd);
    if (!path) continue;
    const std::optional<std::string> parent = RealPath(ParentOf(*path));
    if (parent && *parent == folder) return std::string(LastName(program));
  }
  return std::nullopt;
}

std::optional<std::string> ProgramRunningIn(const std::string& gameFolder) {
  std::string path = gameFolder;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  const std::optional<std::string> folder = RealPath(ResolvePathCase(path));
  if (!folder) return std::nullopt;
  return FindProgramIn("/proc", *folder, std::to_string(::getpid()));
}

}  // namespace gridmoor
