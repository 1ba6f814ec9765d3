#pragma once
// Reading a Wine prefix's registry file (system.reg) and its DOS paths, for finding the game
// on Linux. Pure functions on text: the file may be cut, huge or hostile, and nothing here
// touches the file system.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gridmoor {

enum class WineLookup { kFound, kNoKey, kNoValue, kNotText };

struct WineRegistryText {
  WineLookup result = WineLookup::kNoKey;
  std::string text;  // the value, unescaped (characters beyond ASCII as UTF-8), when found
};

// The text value `valueName` ("" or "@" for the key's default value) of the key `keyPath`
// (backslash-separated, relative to the file's root, "Software\\Sierra OnLine\\Setup\\GPL")
// in the registry file `reg`. Key and value names are matched without regard to ASCII case;
// the first key of a name wins. A value that is not a plain string ("...", str:, str(2):),
// is cut before its closing quote, or holds a NUL answers kNotText.
WineRegistryText FindWineRegistryText(std::string_view reg, std::string_view keyPath,
                                      std::string_view valueName);

// Whether the file is that of a 64-bit prefix ("#arch=win64" among its first lines), where a
// 32-bit program's view of Software\X is Software\Wow6432Node\X.
bool IsWin64Registry(std::string_view reg);

// An absolute DOS path split into its drive and folder names.
struct DosPath {
  char drive = 0;                    // lower-case letter
  std::vector<std::string> folders;  // "." and empty names dropped
};

// Splits "C:\Games\GPL" (either slash) into drive 'c' and {"Games", "GPL"}. Answers nullopt,
// with `error` set, for anything that is not a drive letter, a colon and a rooted path, and
// for names that could lead elsewhere or that Windows would not keep as spelled: "..", names
// of dots and spaces alone, control characters and any of <>:"|?*.
std::optional<DosPath> ParseDosPath(std::string_view path, std::string& error);

}  // namespace gridmoor
