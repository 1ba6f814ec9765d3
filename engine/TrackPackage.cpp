#include "engine/TrackPackage.h"

#include <cstring>
#include <optional>

#include "platform/FileException.h"

namespace gridmoor {

namespace {

constexpr const char* kSection = "installinfo";

constexpr const char* kInvalidPackageMessage =
    "Install.ini missing or not valid!\r\nClick OK to finish.";
constexpr const char* kReadmeMissing = "Readme.txt missing...";

// The description, or an empty one (every key missing) when it cannot be read.
ProfileDocument ReadDescription(FileSystem& files, const std::string& path) {
  try {
    return ProfileDocument::Load(files, path);
  } catch (const CFileException&) {
    return ProfileDocument::Empty(files, path);
  }
}

// The readme as the box shows it: cut at the first NUL, every LF made CR LF (a CR before it
// is not looked at, so CR LF in the file becomes CR CR LF).
std::string ReadmeText(FileSystem& files, const std::string& path) {
  std::optional<std::string> bytes = files.ReadWholeFile(path, kReadmeMaxBytes);
  if (!bytes) return kReadmeMissing;
  const std::size_t nul = bytes->find('\0');
  if (nul != std::string::npos) bytes->resize(nul);
  std::string text;
  text.reserve(bytes->size() + bytes->size() / 16);
  for (char c : *bytes) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

bool Invalid(InstallHost& host) {
  host.ShowMessage(kInvalidPackageMessage, MessageButtons::Ok, MessageIcon::Exclamation);
  return false;
}

}  // namespace

bool IsPlainFileName(const std::string& name) {
  if (name.find_first_of("\\/:") != std::string::npos) return false;
  if (name.empty()) return true;
  constexpr const char* kWhiteSpace = " \t\v\f";
  if (std::strchr(kWhiteSpace, name.front()) || std::strchr(kWhiteSpace, name.back())) {
    return false;
  }
  return name.find_first_not_of(". ") != std::string::npos;
}

bool LoadPackage(InstallHost& host, FileSystem& files, TrackPackage& package) {
  host.CheckSeasonBox();

  // A folder that does not fit the package folder's buffer cannot address the package.
  std::optional<std::string> folder = files.CurrentDirectory(kPackageFolderSize);
  if (!folder) return Invalid(host);
  package.packageFolder = *folder;

  const std::string description = package.packageFolder + "\\install.ini";
  const std::string readme = package.packageFolder + "\\readme.txt";

  host.LoadScreenshot("screenshot.bmp");  // a package without a picture is still a package
  host.SetReadmeText(ReadmeText(files, readme));

  const ProfileDocument values = ReadDescription(files, description);
  package.dialogtitel = ReadProfileValue(values, kSection, "dialogtitel");
  if (package.dialogtitel == kMissingValue) return Invalid(host);
  host.SetCaption(package.dialogtitel);

  struct RequiredKey {
    const char* key;
    std::string TrackPackage::*field;
  };
  static constexpr RequiredKey kRequired[] = {
      {"name", &TrackPackage::name},
      {"shortname", &TrackPackage::shortname},
      {"trackDirectory", &TrackPackage::trackDirectory},
      {"month", &TrackPackage::month},
      {"day", &TrackPackage::day},
      {"numberOfLaps", &TrackPackage::numberOfLaps},
      {"startingGrid", &TrackPackage::startingGrid},
  };
  for (const RequiredKey& required : kRequired) {
    std::string& value = package.*required.field;
    value = ReadProfileValue(values, kSection, required.key);
    if (value == kMissingValue) return Invalid(host);
    // The track folder's name becomes part of the paths the copy writes to.
    if (required.field == &TrackPackage::trackDirectory && !IsPlainFileName(value))
      return Invalid(host);
  }

  package.replayfilename = ReadProfileValue(values, kSection, "replayfilename");
  const bool hasReplay = package.replayfilename != kMissingValue;
  if (hasReplay && !IsPlainFileName(package.replayfilename)) return Invalid(host);
  host.SetReplayOption(hasReplay);
  return true;
}

}  // namespace gridmoor
