#include "engine/PackageCheck.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

#include "engine/ScreenshotCheck.h"
#include "engine/SeasonRules.h"
#include "engine/TrackPackage.h"
#include "platform/FileException.h"
#include "platform/ProfileDocument.h"
#include "platform/ZipArchive.h"

namespace gridmoor {

namespace {

constexpr const char* kSection = "installinfo";
constexpr const char* kDescription = "install.ini";
// A screenshot beyond this is not read for checking.
constexpr std::size_t kScreenshotMaxBytes = 64 * 1024 * 1024;

class Findings {
 public:
  void Error(const char* code, std::string file, std::string key, std::string message) {
    Add(FindingLevel::kError, code, std::move(file), std::move(key), std::move(message));
  }
  void Warning(const char* code, std::string file, std::string key, std::string message) {
    Add(FindingLevel::kWarning, code, std::move(file), std::move(key), std::move(message));
  }
  // The last finding added.
  PackageFinding& Last() { return m_list.back(); }
  std::vector<PackageFinding> Take() { return std::move(m_list); }

 private:
  void Add(FindingLevel level, const char* code, std::string file, std::string key,
           std::string message) {
    PackageFinding finding;
    finding.level = level;
    finding.subject = file.empty() ? "package folder" : key.empty() ? file : file + ": " + key;
    finding.message = std::move(message);
    finding.aboutReplay = file == "rpy" || key == "replayfilename";
    finding.code = code;
    finding.file = std::move(file);
    finding.key = std::move(key);
    m_list.push_back(std::move(finding));
  }

  std::vector<PackageFinding> m_list;
};

// nullopt: missing; true: a folder; false: a file.
std::optional<bool> EntryKind(FileSystem& files, const std::string& path) {
  try {
    return (files.GetStatus(path).attributes & kAttributeDirectory) != 0;
  } catch (const CFileException&) {
    return std::nullopt;
  }
}

std::string Quoted(const std::string& value) { return "\"" + value + "\""; }

// The value as the program reads it (cut to 99 characters), with the findings for its length
// and for the text "default", which reads as a missing key. nullopt when missing.
std::optional<std::string> ReadKey(const ProfileDocument& description, const char* key,
                                   Findings& findings) {
  std::optional<std::string> value = description.Get(kSection, key);
  if (!value) return std::nullopt;
  if (value->size() > kMaxValueLength) {
    findings.Warning("value-cut", kDescription, key,
                     std::to_string(value->size()) +
                         " characters; the program reads the first 99: " +
                         Quoted(CutToValueLength(*value)));
    *value = CutToValueLength(*value);
  }
  if (*value == kMissingValue) {
    findings.Error("value-default", kDescription, key,
                   "the value \"default\" reads as a missing key");
    return std::nullopt;
  }
  // Escape sequences in a name would reach the season files and every screen that shows them.
  const bool controls = std::any_of(value->begin(), value->end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  if (controls) {
    findings.Warning("value-control-characters", kDescription, key,
                     "holds control characters (escape sequences, bells)");
  }
  return value;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

// The game's grid shape: three row sizes joined by '-', "3-2-3".
bool IsGridShape(const std::string& value) {
  const std::size_t first = value.find('-');
  if (first == std::string::npos) return false;
  const std::size_t second = value.find('-', first + 1);
  if (second == std::string::npos) return false;
  return AllDigits(value.substr(0, first)) &&
         AllDigits(value.substr(first + 1, second - first - 1)) &&
         AllDigits(value.substr(second + 1));
}

bool EndsWithRpy(const std::string& name) {
  if (name.size() < 4) return false;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".rpy";
}

// What the game makes of a value that stands for something else: numbers read as the game
// reads them (the leading integer, 0 without one), shapes it expects.
void CheckGameValue(const std::string& key, const std::string& value, Findings& findings) {
  const int number = ParseEventCount(value);
  if (key == "month" && (number < 1 || number > 12)) {
    findings.Warning("month-out-of-range", kDescription, key,
                     Quoted(value) + " reads as month " + std::to_string(number) +
                         " in the game; give 1 to 12");
  } else if (key == "day" && (number < 1 || number > 31)) {
    findings.Warning("day-out-of-range", kDescription, key,
                     Quoted(value) + " reads as day " + std::to_string(number) +
                         " in the game; give 1 to 31");
  } else if (key == "numberOfLaps" &&
             (value.empty() || !std::isdigit(static_cast<unsigned char>(value.front())))) {
    findings.Warning("laps-not-a-number", kDescription, key,
                     Quoted(value) + " does not start with a number: the game reads " +
                         std::to_string(number) + " laps");
  } else if (key == "startingGrid" && !IsGridShape(value)) {
    findings.Warning("starting-grid-shape", kDescription, key,
                     Quoted(value) + " is not the game's shape of three rows, such as \"3-2-3\"");
  } else if (key == "shortname" && value.size() > kShownShortNameLength) {
    findings.Warning("shortname-too-long", kDescription, key,
                     std::to_string(value.size()) + " characters; the game shows the first " +
                         std::to_string(kShownShortNameLength) + ": " +
                         Quoted(value.substr(0, kShownShortNameLength)));
  } else if (key == "trackDirectory") {
    if (!IsPlainFileName(value)) {
      findings.Error("track-folder-outside", kDescription, key,
                     Quoted(value) + " would place files outside tracks\\<folder>");
    } else if (value.empty()) {
      findings.Warning("track-folder-empty", kDescription, key,
                       "empty: the track files would go into tracks\\ itself");
    } else if (value.find_first_of(" \t") != std::string::npos) {
      findings.Warning("track-folder-spaces", kDescription, key,
                       Quoted(value) + " holds spaces; give the folder a name without them");
    }
  }
}

void CheckDescriptionDocument(const ProfileDocument& description, Findings& findings,
                              bool& hasReplay) {
  if (!description.KeyNames(kSection)) {
    findings.Error("no-installinfo-section", kDescription, "", "no [installinfo] section");
    return;
  }
  for (const char* key : {"dialogtitel", "name", "shortname", "trackDirectory", "month", "day",
                          "numberOfLaps", "startingGrid"}) {
    std::optional<std::string> value = ReadKey(description, key, findings);
    if (!value) {
      if (!description.Get(kSection, key)) findings.Error("key-missing", kDescription, key, "missing");
      continue;
    }
    CheckGameValue(key, *value, findings);
  }
  std::optional<std::string> replay = ReadKey(description, "replayfilename", findings);
  hasReplay = replay.has_value();
  if (replay && !IsPlainFileName(*replay)) {
    findings.Error("replay-outside", kDescription, "replayfilename",
                   Quoted(*replay) + " would place the replay outside replay\\");
  } else if (replay && replay->empty()) {
    findings.Error("replay-name-empty", kDescription, "replayfilename",
                   "empty: the replay copy would fail");
  } else if (replay && !EndsWithRpy(*replay)) {
    findings.Warning("replay-name-not-listed", kDescription, "replayfilename",
                     Quoted(*replay) + ": the game lists only replays ending in .rpy");
  }
}

void CheckDescription(FileSystem& files, const std::string& folder, Findings& findings,
                      bool& hasReplay, bool& described) {
  const std::string path = folder + "\\" + kDescription;
  std::optional<ProfileDocument> description;
  try {
    description = ProfileDocument::Load(files, path);
  } catch (const CFileException&) {
    findings.Error("description-unreadable", kDescription, "", "cannot be read");
    return;
  }
  if (!description->Existed()) {
    findings.Error("description-missing", kDescription, "", "missing");
    return;
  }
  described = description->KeyNames(kSection).has_value();
  CheckDescriptionDocument(*description, findings, hasReplay);
}

// Files of the package folder that no install copies: the maker likely meant them for the game.
void CheckNotInstalled(FileSystem& files, const std::string& folder, Findings& findings) {
  const std::optional<std::vector<FolderEntry>> entries = files.ListFolder(folder);
  if (!entries) return;
  std::vector<FolderEntry> sorted = *entries;
  std::sort(sorted.begin(), sorted.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  for (const FolderEntry& entry : sorted) {
    bool used = SameFoldedName(entry.name, kDescription) ||
                SameFoldedName(entry.name, "readme.txt") ||
                SameFoldedName(entry.name, "screenshot.bmp") ||
                // rpy without replayfilename has its own finding
                SameFoldedName(entry.name, "rpy");
    for (const char* track : kPackageTrackFiles) used = used || SameFoldedName(entry.name, track);
    if (used) continue;
    findings.Warning("file-not-installed", entry.name, "",
                     std::string(entry.isFolder ? "a folder: " : "") +
                         "will not be installed (only the nine track files, and rpy under "
                         "replayfilename, are copied)");
  }
}

// A readme the dialog shows as the system's ANSI code page, byte for byte.
void CheckReadmeEncoding(const std::string& bytes, Findings& findings) {
  const auto starts = [&bytes](const char* prefix, std::size_t size) {
    return bytes.compare(0, size, prefix, size) == 0;
  };
  constexpr const char* kSaveAs = "; save it as ANSI (Windows-1252, \"Western\")";
  if (starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2) ||
      (bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0'))) {
    findings.Warning("readme-utf16", "readme.txt", "",
                     std::string("saved as UTF-16: the dialog shows it only up to its first "
                                 "zero byte, a letter or two") +
                         kSaveAs);
    return;
  }
  const bool bom = starts("\xEF\xBB\xBF", 3);
  // Valid UTF-8 with at least one sequence beyond ASCII.
  const std::string_view body = std::string_view(bytes).substr(bom ? 3 : 0);
  const bool multiByte = std::any_of(body.begin(), body.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  const bool valid = IsValidUtf8(body);
  if (bom) {
    findings.Warning("readme-utf8", "readme.txt", "",
                     std::string("saved as UTF-8 with a byte order mark: the dialog shows "
                                 "\"\xC3\xAF\xC2\xBB\xC2\xBF\" before the text") +
                         (multiByte ? " and two wrong letters for each accented one" : "") +
                         kSaveAs);
  } else if (valid && multiByte) {
    findings.Warning("readme-utf8", "readme.txt", "",
                     std::string("saved as UTF-8: the dialog shows two wrong letters for each "
                                 "accented one (\"\xC3\xA9\" as \"\xC3\x83\xC2\xA9\")") +
                         kSaveAs);
  }
}

void CheckScreenshotFile(FileSystem& files, const std::string& path, Findings& findings) {
  bool truncated = false;
  std::optional<std::string> bytes = files.ReadWholeFile(path, kScreenshotMaxBytes, &truncated);
  if (!bytes) {
    if (EntryKind(files, path)) {
      findings.Warning("screenshot-unreadable", "screenshot.bmp", "", "cannot be read: no picture");
    } else {
      findings.Warning("screenshot-missing", "screenshot.bmp", "", "missing: no picture");
    }
    return;
  }
  if (truncated) {
    findings.Warning("screenshot-too-large", "screenshot.bmp", "", "larger than 64 MiB; not checked");
    return;
  }
  const ScreenshotVerdict verdict = CheckScreenshot(*bytes);
  if (!verdict.loadable) {
    // The player's install goes on without the picture, but no maker ships one nobody sees.
    findings.Error("screenshot-not-shown", "screenshot.bmp", "",
                   "the dialog cannot show it: " + verdict.problem);
    findings.Last().installGoesOn = true;
  } else if (verdict.width != kScreenshotWidth || verdict.height != kScreenshotHeight) {
    findings.Warning("screenshot-size", "screenshot.bmp", "",
                     std::to_string(verdict.width) + "x" + std::to_string(verdict.height) +
                         ": the dialog shows it stretched to 300x178");
  }
}

}  // namespace

std::vector<PackageFinding> CheckPackage(FileSystem& files, const std::string& packageFolder) {
  Findings findings;
  if (packageFolder.size() >= kPackageFolderSize) {
    findings.Error("package-folder-too-long", "", "",
                   "its path has " + std::to_string(packageFolder.size()) +
                       " characters; the program takes at most 499");
  }

  bool hasReplay = false, described = false;
  CheckDescription(files, packageFolder, findings, hasReplay, described);

  for (const char* name : kPackageTrackFiles) {
    const std::optional<bool> folder = EntryKind(files, packageFolder + "\\" + name);
    if (!folder) {
      findings.Error("track-file-missing", name, "", "missing: the copy would fail");
    } else if (*folder) {
      findings.Error("track-file-is-folder", name, "", "is a folder: the copy would fail");
    }
  }

  const std::optional<bool> rpy = EntryKind(files, packageFolder + "\\rpy");
  if (hasReplay && (!rpy || *rpy)) {
    findings.Error("replay-missing", "rpy", "",
                   "missing while install.ini names replayfilename: the copy would fail");
  } else if (!hasReplay && described && rpy && !*rpy) {
    findings.Warning("replay-never-installed", "rpy", "",
                     "never installed: install.ini names no replayfilename");
  }
  CheckNotInstalled(files, packageFolder, findings);

  bool readmeCut = false;
  const std::string readme = packageFolder + "\\readme.txt";
  const std::optional<std::string> readmeBytes =
      files.ReadWholeFile(readme, kReadmeMaxBytes, &readmeCut);
  if (!readmeBytes) {
    findings.Warning("readme-missing", "readme.txt", "",
                     "missing: the dialog shows \"Readme.txt missing...\"");
  } else {
    if (readmeCut) {
      findings.Warning("readme-too-long", "readme.txt", "",
                       "larger than 1 MiB: the dialog shows its first MiB");
    }
    CheckReadmeEncoding(*readmeBytes, findings);
  }

  CheckScreenshotFile(files, packageFolder + "\\screenshot.bmp", findings);
  return findings.Take();
}

std::vector<PackageFinding> CheckDescriptionText(FileSystem& files, const std::string& text) {
  Findings findings;
  bool hasReplay = false;
  CheckDescriptionDocument(ProfileDocument::FromBytes(files, kDescription, text), findings,
                           hasReplay);
  return findings.Take();
}

bool StopsInstall(const PackageFinding& finding, bool withoutReplay) {
  return finding.level == FindingLevel::kError && !finding.installGoesOn &&
         !(withoutReplay && finding.aboutReplay);
}

}  // namespace gridmoor
