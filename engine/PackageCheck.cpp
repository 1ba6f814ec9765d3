#include "engine/PackageCheck.h"

#include <algorithm>
#include <optional>

#include "engine/ScreenshotCheck.h"
#include "engine/TrackPackage.h"
#include "platform/FileException.h"
#include "platform/ProfileDocument.h"

namespace gridmoor {

namespace {

constexpr const char* kSection = "installinfo";
// A screenshot beyond this is not read for checking.
constexpr std::size_t kScreenshotMaxBytes = 64 * 1024 * 1024;

constexpr const char* kTrackFiles[] = {"dat",     "track.ini", "record.ini",
                                       "race.lp", "pit.lp",    "pass1.lp",
                                       "pass2.lp", "maxrace.lp", "minrace.lp"};

class Findings {
 public:
  void Error(std::string subject, std::string message) {
    const bool replay = subject == "rpy" || subject == "install.ini: replayfilename";
    m_list.push_back({FindingLevel::kError, std::move(subject), std::move(message), replay});
  }
  void Warning(std::string subject, std::string message) {
    m_list.push_back({FindingLevel::kWarning, std::move(subject), std::move(message)});
  }
  std::vector<PackageFinding> Take() { return std::move(m_list); }

 private:
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

// The value as the program reads it (cut to 99 characters), with the findings for its length
// and for the text "default", which reads as a missing key. nullopt when missing.
std::optional<std::string> ReadKey(const ProfileDocument& description, const char* key,
                                   Findings& findings) {
  std::optional<std::string> value = description.Get(kSection, key);
  if (!value) return std::nullopt;
  const std::string subject = std::string("install.ini: ") + key;
  if (value->size() > kMaxValueLength) {
    findings.Warning(subject, std::to_string(value->size()) +
                                  " characters; the program reads the first 99: \"" +
                                  CutToValueLength(*value) + "\"");
    *value = CutToValueLength(*value);
  }
  if (*value == kMissingValue) {
    findings.Error(subject, "the value \"default\" reads as a missing key");
    return std::nullopt;
  }
  // Escape sequences in a name would reach the season files and every screen that shows them.
  const bool controls = std::any_of(value->begin(), value->end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  if (controls) findings.Warning(subject, "holds control characters (escape sequences, bells)");
  return value;
}

void CheckDescription(FileSystem& files, const std::string& folder, Findings& findings,
                      bool& hasReplay, bool& described) {
  const std::string path = folder + "\\install.ini";
  std::optional<ProfileDocument> description;
  try {
    description = ProfileDocument::Load(files, path);
  } catch (const CFileException&) {
    findings.Error("install.ini", "cannot be read");
    return;
  }
  if (!description->Existed()) {
    findings.Error("install.ini", "missing");
    return;
  }
  if (!description->KeyNames(kSection)) {
    findings.Error("install.ini", "no [installinfo] section");
    return;
  }
  described = true;
  for (const char* key : {"dialogtitel", "name", "shortname", "trackDirectory", "month", "day",
                          "numberOfLaps", "startingGrid"}) {
    std::optional<std::string> value = ReadKey(*description, key, findings);
    const std::string subject = std::string("install.ini: ") + key;
    if (!value) {
      if (!description->Get(kSection, key)) findings.Error(subject, "missing");
      continue;
    }
    if (std::string(key) == "trackDirectory") {
      if (!IsPlainFileName(*value)) {
        findings.Error(subject, "\"" + *value + "\" would place files outside tracks\\<folder>");
      } else if (value->empty()) {
        findings.Warning(subject, "empty: the track files would go into tracks\\ itself");
      }
    }
  }
  std::optional<std::string> replay = ReadKey(*description, "replayfilename", findings);
  hasReplay = replay.has_value();
  if (replay && !IsPlainFileName(*replay)) {
    findings.Error("install.ini: replayfilename",
                   "\"" + *replay + "\" would place the replay outside replay\\");
  } else if (replay && replay->empty()) {
    findings.Error("install.ini: replayfilename", "empty: the replay copy would fail");
  }
}

void CheckScreenshotFile(FileSystem& files, const std::string& path, Findings& findings) {
  bool truncated = false;
  std::optional<std::string> bytes = files.ReadWholeFile(path, kScreenshotMaxBytes, &truncated);
  if (!bytes) {
    findings.Warning("screenshot.bmp", EntryKind(files, path) ? "cannot be read: no picture"
                                                              : "missing: no picture");
    return;
  }
  if (truncated) {
    findings.Warning("screenshot.bmp", "larger than 64 MiB; not checked");
    return;
  }
  const ScreenshotVerdict verdict = CheckScreenshot(*bytes);
  if (!verdict.loadable) {
    findings.Warning("screenshot.bmp", "the dialog cannot show it: " + verdict.problem);
  } else if (verdict.width != kScreenshotWidth || verdict.height != kScreenshotHeight) {
    findings.Warning("screenshot.bmp", std::to_string(verdict.width) + "x" +
                                           std::to_string(verdict.height) +
                                           ": the dialog shows it stretched to 300x178");
  }
}

}  // namespace

std::vector<PackageFinding> CheckPackage(FileSystem& files, const std::string& packageFolder) {
  Findings findings;
  if (packageFolder.size() >= kPackageFolderSize) {
    findings.Error("package folder",
                   "its path has " + std::to_string(packageFolder.size()) +
                       " characters; the program takes at most 499");
  }

  bool hasReplay = false, described = false;
  CheckDescription(files, packageFolder, findings, hasReplay, described);

  for (const char* name : kTrackFiles) {
    const std::optional<bool> folder = EntryKind(files, packageFolder + "\\" + name);
    if (!folder) {
      findings.Error(name, "missing: the copy would fail");
    } else if (*folder) {
      findings.Error(name, "is a folder: the copy would fail");
    }
  }

  const std::optional<bool> rpy = EntryKind(files, packageFolder + "\\rpy");
  if (hasReplay && (!rpy || *rpy)) {
    findings.Error("rpy", "missing while install.ini names replayfilename: the copy would fail");
  } else if (!hasReplay && described && rpy && !*rpy) {
    findings.Warning("rpy", "never installed: install.ini names no replayfilename");
  }

  bool readmeCut = false;
  const std::string readme = packageFolder + "\\readme.txt";
  if (!files.ReadWholeFile(readme, kReadmeMaxBytes, &readmeCut)) {
    findings.Warning("readme.txt", "missing: the dialog shows \"Readme.txt missing...\"");
  } else if (readmeCut) {
    findings.Warning("readme.txt", "larger than 1 MiB: the dialog shows its first MiB");
  }

  CheckScreenshotFile(files, packageFolder + "\\screenshot.bmp", findings);
  return findings.Take();
}

bool StopsInstall(const PackageFinding& finding, bool withoutReplay) {
  return finding.level == FindingLevel::kError && !(withoutReplay && finding.aboutReplay);
}

}  // namespace gridmoor
