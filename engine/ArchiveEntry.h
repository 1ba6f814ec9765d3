#pragma once
// Which names in a downloaded archive may be unpacked, and where its packages are. Pure text
// rules, kept apart from the unpacking so that they can be tested and fuzzed on their own.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gridmoor {

// `name` as a relative path of '/'-separated parts ('\' is a separator too, as Windows packers
// store it; empty and "." parts dropped), or nullopt with `why` set when it may not be unpacked:
// absolute, a drive, "..", or a control character. "" is the archive's top folder.
std::optional<std::string> SafeEntryPath(std::string_view name, std::string& why);

// The package folders among the files `files` (safe entry paths): each folder holding an
// install.ini in any letter case, "" for the top. Sorted in path order, without duplicates.
std::vector<std::string> PackageRoots(const std::vector<std::string>& files);

// `path` (UTF-8) in one letter case, as the game's case-blind folders compare names; bytes that
// are not UTF-8 are kept as they are.
std::string CaseBlindKey(std::string_view path);

// Whether the safe entry path `path` lies inside the folder `root` ("" holds everything).
bool IsUnder(const std::string& path, const std::string& root);

}  // namespace gridmoor
