// pack FOLDER: a checked package made into the files its maker ships: TRACKDIR-VERSION-setup.exe
// (the Windows program, byte for byte, with the package as a zip behind it) and the same zip
// alone, TRACKDIR-VERSION.zip, for players who would rather not run a new program.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>

#include "cli/Commands.h"
#include "cli/PackPlatform.h"
#include "cli/PackageFolder.h"
#include "engine/PackageCheck.h"
#include "engine/ProfileValue.h"
#include "engine/TrackRecords.h"
#include "platform/ProfileDocument.h"
#include "platform/ZipArchive.h"
#include "platform/ZipWriter.h"

namespace gridmoor::cli {

namespace {

namespace fs = std::filesystem;

struct PackOptions {
  std::string folder;
  std::string output;   // -o: the setup file; empty: named from the package, here
  std::string program;  // --program; empty: DefaultWindowsProgram()
  bool strict = false;
  bool force = false;
};

// A file being written beside its target, removed unless it took the target's place.
class Temporary {
 public:
  explicit Temporary(const fs::path& target) {
    // Named as every temporary of ours, so that a run killed halfway leaves one that the next
    // replace in the folder clears.
    std::random_device random;
    m_path = target.string() + TemporarySuffix(random());
  }
  ~Temporary() {
    if (!m_placed) {
      std::error_code ignored;
      fs::remove(m_path, ignored);
    }
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;
  const std::string& Path() const { return m_path; }
  bool PlaceAt(const fs::path& target) {
    m_placed = ReplaceWithFinished(m_path, target.string());
    return m_placed;
  }

 private:
  std::string m_path;
  bool m_placed = false;
};

// Why `version` cannot be part of a file name, or "".
std::string VersionProblem(const std::string& version) {
  for (const char c : version) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("/\\:*?\"<>|").find(c) !=
                                                    std::string_view::npos)
      return "holds a letter a file name cannot (" + std::string(1, c) + ")";
  }
  if (version.front() == ' ' || version.back() == ' ' || version.back() == '.')
    return "starts or ends with a blank, or ends with a dot";
  return {};
}

// Why `program` cannot go in front of the zip, or "".
std::string ProgramProblem(const std::string& program) {
  std::error_code error;
  if (!fs::is_regular_file(program, error)) return "is not there";
  std::unique_ptr<FileByteSource> source = FileByteSource::Open(program);
  if (!source) return "cannot be read";
  if (ProgramImageEnd(*source) == 0) return "is not a Windows program (no PE header)";
  // A signature covers the file as it is: with our zip behind it, the certificate table would no
  // longer end the file, and readers would stop at it.
  if (CertificateTableStart(*source) != 0)
    return "is signed; pack needs the program unsigned (sign the setup file afterwards)";
  return {};
}

std::int64_t SecondsSince1970(fs::file_time_type time) {
  using namespace std::chrono;
  const auto now = system_clock::now() + (time - fs::file_time_type::clock::now());
  return duration_cast<seconds>(now.time_since_epoch()).count();
}

// The package's files under their zip names, sorted: every file under `folder` but `skip` (the
// outputs, when they are written into the package folder).
struct PackageFile {
  fs::path path;
  std::string name;  // relative, '/' between folders, UTF-8
};
std::vector<PackageFile> ListPackage(const fs::path& folder, const std::vector<fs::path>& skip,
                                     std::string& error) {
  std::vector<PackageFile> list;
  std::error_code failed;
  for (fs::recursive_directory_iterator it(folder, failed), end; !failed && it != end;
       it.increment(failed)) {
    const fs::path& path = it->path();
    if (it->is_directory(failed)) continue;
    const std::string name = path.lexically_relative(folder).generic_u8string();
    if (!it->is_regular_file(failed)) {
      error = name + ": neither a file nor a folder";
      return {};
    }
    const bool output = std::any_of(skip.begin(), skip.end(), [&](const fs::path& out) {
      std::error_code ignored;
      const std::string text = out.filename().string();
      return fs::equivalent(path, out, ignored) ||
             (path.parent_path() == out.parent_path() &&
              path.filename().string().rfind(text + ".~", 0) == 0);
    });
    if (output) continue;
    if (!IsValidUtf8(name)) {
      error = name + ": its name is not UTF-8";
      return {};
    }
    list.push_back({path, name});
  }
  if (failed) {
    error = "cannot be listed: " + failed.message();
    return {};
  }
  std::sort(list.begin(), list.end(),
            [](const PackageFile& a, const PackageFile& b) { return a.name < b.name; });
  return list;
}

// Copies the first `size` bytes of `from` to the end of `to`.
bool AppendBytes(std::FILE* to, ByteSource& from, std::uint64_t size) {
  std::string chunk(256 * 1024, '\0');
  for (std::uint64_t at = 0; at < size;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - at));
    if (from.ReadAt(at, chunk.data(), want) != want ||
        std::fwrite(chunk.data(), 1, want, to) != want)
      return false;
    at += want;
  }
  return true;
}

int RunPack(Console& console, const PackOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  std::string error;
  const std::optional<std::string> folder = PackageFolderPath(*files, options.folder, error);
  if (!folder) {
    console.err << "error: " << error << "\n";
    return kExitInvalidPackage;
  }
  const std::vector<PackageFinding> findings = CheckPackage(*files, *folder);
  PrintFindings(console, options.folder, findings);
  const auto errors = std::count_if(findings.begin(), findings.end(), [](const auto& finding) {
    return finding.level == FindingLevel::kError;
  });
  const auto warnings = static_cast<std::ptrdiff_t>(findings.size()) - errors;
  if (errors > 0 || (options.strict && warnings > 0)) {
    console.err << "error: " << options.folder << ": not packed: "
                << (errors > 0 ? "the check found errors" : "the check found warnings (--strict)")
                << "\n";
    return kExitInvalidPackage;
  }

  // The check passed, so install.ini reads and names a plain track folder.
  const ProfileDocument ini = ProfileDocument::Load(*files, *folder + "\\install.ini");
  const std::string trackDirectory = ReadProfileValue(ini, "installinfo", "trackDirectory");
  const std::string version = ReadPackageVersion(*files, *folder);
  if (!version.empty() && !VersionProblem(version).empty()) {
    console.err << "error: " << options.folder << ": install.ini: version \"" << version
                << "\" " << VersionProblem(version) << "; it is part of the files' names\n";
    return kExitInvalidPackage;
  }
  const std::string base = trackDirectory + (version.empty() ? "" : "-" + version);
  const fs::path setup = options.output.empty() ? fs::path(base + "-setup.exe") : fs::path(options.output);
  const fs::path zip = options.output.empty() ? fs::path(base + ".zip")
                                              : fs::path(setup).replace_extension(".zip");
  if (setup == zip) {
    console.err << "error: -o " << options.output << ": the setup file must not end in .zip\n";
    return kExitUsage;
  }
  std::error_code taken;
  for (const fs::path& target : {setup, zip}) {
    if (!options.force && fs::exists(fs::symlink_status(target, taken))) {
      console.err << "error: " << target.string() << " exists; --force replaces it\n";
      return kExitUsage;
    }
  }

  const std::string program = options.program.empty() ? DefaultWindowsProgram() : options.program;
  const std::string problem = ProgramProblem(program);
  if (!problem.empty()) {
    console.err << "error: the Windows program " << program << " " << problem
                << (options.program.empty() ? " (--program names another)" : "") << "\n";
    return kExitUsage;
  }

  const std::vector<PackageFile> list = ListPackage(fs::path(*folder), {setup, zip}, error);
  if (!error.empty()) {
    console.err << "error: " << options.folder << ": " << error << "\n";
    return kExitInvalidPackage;
  }
  if (list.size() > kZipMaxEntries) {
    console.err << "error: " << options.folder << ": " << list.size()
                << " files: a zip without zip64 holds at most 65535\n";
    return kExitInvalidPackage;
  }

  // The plain zip first; the setup file is the program, the zip's entries as written, and the
  // directory again with its offsets moved past the program.
  Temporary zipTemporary(zip), setupTemporary(setup);
  std::unique_ptr<ZipWriter> writer = ZipWriter::Create(zipTemporary.Path(), error);
  if (!writer) {
    console.err << "error: " << zip.string() << ": " << error << "\n";
    return kExitNotWritable;
  }
  for (const PackageFile& file : list) {
    std::unique_ptr<FileByteSource> source = FileByteSource::Open(file.path.string());
    std::error_code unknown;
    const auto modified = fs::last_write_time(file.path, unknown);
    if (!source) error = "cannot be read";
    if (!source || !writer->Add(trackDirectory + "/" + file.name, *source,
                                unknown ? 0 : SecondsSince1970(modified), error)) {
      console.err << "error: " << file.path.string() << ": " << error << "\n";
      return error.find("cannot be read") == 0 ? kExitInvalidPackage : kExitNotWritable;
    }
  }
  if (!writer->Finish(error)) {
    console.err << "error: " << zip.string() << ": " << error << "\n";
    return kExitNotWritable;
  }

  std::unique_ptr<FileByteSource> programBytes = FileByteSource::Open(program);
  std::unique_ptr<FileByteSource> zipBytes = FileByteSource::Open(zipTemporary.Path());
  const std::string directory = programBytes ? writer->DirectoryBytes(programBytes->Size()) : "";
  if (programBytes && directory.empty()) {
    console.err << "error: " << setup.string()
                << ": 4 GiB or more: too big for a zip without zip64\n";
    return kExitInvalidPackage;
  }
  std::FILE* out = std::fopen(setupTemporary.Path().c_str(), "wb");
  bool written = out && programBytes && zipBytes &&
                 AppendBytes(out, *programBytes, programBytes->Size()) &&
                 AppendBytes(out, *zipBytes, writer->DirectoryOffset()) &&
                 std::fwrite(directory.data(), 1, directory.size(), out) == directory.size();
  if (out) written = std::fclose(out) == 0 && written;
  if (!written) {
    console.err << "error: " << setup.string() << ": cannot be written\n";
    return kExitNotWritable;
  }
  zipBytes.reset();  // closed before it is renamed (Windows)
  if (!zipTemporary.PlaceAt(zip) || !setupTemporary.PlaceAt(setup)) {
    console.err << "error: " << setup.string() << ": cannot take its place\n";
    return kExitNotWritable;
  }
  console.out << "packed " << list.size() << " files of " << trackDirectory << ": "
              << setup.string() << " (" << fs::file_size(setup, taken) << " bytes), "
              << zip.string() << " (" << fs::file_size(zip, taken) << " bytes)\n";
  return kExitOk;
}

}  // namespace

void AddPackCommand(CLI::App& app, Console& console, int& status) {
  auto options = std::make_shared<PackOptions>();
  CLI::App* command = app.add_subcommand(
      "pack", "Make a checked package into a setup file and a zip, ready to ship");
  command->add_option("FOLDER", options->folder, "The package folder")->required();
  command->add_option("-o,--output", options->output,
                      "The setup file to write (default: TRACKDIR-VERSION-setup.exe here); the "
                      "zip goes beside it, ending in .zip");
  command->add_option("--program", options->program,
                      "The Windows gridmoor.exe to put in front of the zip (default: the one "
                      "installed with gridmoor-cli)");
  command->add_flag("--strict", options->strict, "Refuse a package with warnings too");
  command->add_flag("--force", options->force, "Replace setup and zip files already there");
  command->footer(ExitStatusHelp({3}) +
                  "\nStatus 3 also when the check finds warnings with --strict; 2 when an output "
                  "exists without --force, or the Windows program is missing or no PE file; 5 "
                  "when the setup file or zip cannot be written.");
  command->callback([&console, &status, options] { status = RunPack(console, *options); });
}

}  // namespace gridmoor::cli
