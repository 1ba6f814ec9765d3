// new FOLDER --name NAME --dir TRACKDIR: a package skeleton for a track maker to fill in.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/Commands.h"
#include "engine/PackageCheck.h"
#include "engine/PackageSkeleton.h"
#include "platform/ProfileDocument.h"
#include "platform/ZipArchive.h"

namespace gridmoor::cli {

namespace {

struct NewOptions {
  std::string folder;
  std::string name;
  std::string trackDirectory;
};

// `text` as the game's 8-bit ANSI: UTF-8 (a Linux terminal's) made Latin-1, which is
// Windows-1252 for every letter it holds; text that is not UTF-8 (a Windows console's ANSI) as
// it is. nullopt when a letter has no 8-bit form.
std::optional<std::string> AnsiText(const std::string& text) {
  if (!IsValidUtf8(text)) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out += text[i];
      continue;
    }
    if (lead >= 0xE0) return std::nullopt;  // beyond U+07FF: no 8-bit form
    const unsigned code = (lead & 0x1Fu) << 6 | (static_cast<unsigned char>(text[++i]) & 0x3Fu);
    // U+0080..U+009F are controls in Latin-1; 1252 puts other letters there.
    if (code > 0xFF || code < 0xA0) return std::nullopt;
    out += static_cast<char>(code);
  }
  return out;
}

// Why `options` cannot make a package that passes the strict check; "" when it can.
std::string Refusal(FileSystem& files, const NewOptions& options, const std::string& ini) {
  const ProfileDocument description = ProfileDocument::FromBytes(files, "install.ini", ini);
  // A value the reader would change (white space at an end, quotes) would not be the one given.
  if (description.Get("installinfo", "name") != options.name)
    return "NAME \"" + options.name + "\" would read back otherwise from install.ini";
  if (description.Get("installinfo", "trackDirectory") != options.trackDirectory)
    return "TRACKDIR \"" + options.trackDirectory + "\" would read back otherwise from install.ini";
  if (options.trackDirectory.empty()) return "TRACKDIR is empty";
  for (const PackageFinding& finding : CheckDescriptionText(files, ini)) {
    const char* option = finding.key == "trackDirectory" ? "TRACKDIR" : "NAME";
    return std::string(option) + ": " + finding.subject + ": " + finding.message;
  }
  return {};
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

int RunNew(Console& console, NewOptions options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const std::optional<std::string> name = AnsiText(options.name);
  if (!name) {
    console.err << "error: NAME holds letters the game's 8-bit text (Windows-1252) cannot show\n";
    return kExitUsage;
  }
  options.name = *name;
  const std::vector<std::pair<std::string, std::string>> skeleton =
      PackageSkeletonFiles(options.name, options.trackDirectory);
  const std::string refusal = Refusal(*files, options, skeleton.front().second);
  if (!refusal.empty()) {
    console.err << "error: " << refusal << "\n";
    return kExitUsage;
  }

  const std::filesystem::path folder(options.folder);
  std::error_code error;
  const bool existed = std::filesystem::exists(folder, error);
  if (existed && (!std::filesystem::is_directory(folder, error) ||
                  !std::filesystem::is_empty(folder, error) || error)) {
    console.err << "error: " << options.folder
                << ": exists and is not an empty folder; nothing was written\n";
    return kExitUsage;
  }
  if (!existed && !std::filesystem::create_directories(folder, error)) {
    console.err << "error: " << options.folder << ": cannot be made: " << error.message() << "\n";
    return kExitNotWritable;
  }
  for (const auto& [file, bytes] : skeleton) {
    if (WriteFile(folder / file, bytes)) continue;
    console.err << "error: " << (folder / file).string() << ": cannot be written\n";
    // Nothing half made stays: the folder was empty or new.
    for (const auto& written : skeleton) std::filesystem::remove(folder / written.first, error);
    if (!existed) std::filesystem::remove(folder, error);
    return kExitNotWritable;
  }
  console.out << "made " << options.folder << ": install.ini, readme.txt, screenshot.bmp and "
              << "placeholders for the nine track files\n"
              << "next: replace the placeholders with the track's files, edit install.ini and "
                 "readme.txt, then run gridmoor-cli check --strict "
              << options.folder << "\n";
  return kExitOk;
}

}  // namespace

void AddNewCommand(CLI::App& app, Console& console, int& status) {
  auto options = std::make_shared<NewOptions>();
  CLI::App* command = app.add_subcommand(
      "new", "Make a track package skeleton that passes check, for a track maker to fill in");
  command->add_option("FOLDER", options->folder, "The package folder to make (new or empty)")
      ->required();
  command->add_option("--name", options->name, "The track's name (install.ini name)")->required();
  command->add_option("--dir", options->trackDirectory,
                      "The track's folder under the game's tracks folder (install.ini "
                      "trackDirectory): a plain name without spaces")
      ->required();
  command->footer(ExitStatusHelp({5}) +
                  "\nStatus 2 also when NAME or TRACKDIR would fail the check, or FOLDER exists "
                  "and is not an empty folder; 5 when FOLDER cannot be written.");
  command->callback([&console, &status, options] { status = RunNew(console, *options); });
}

}  // namespace gridmoor::cli
