// check [PACKAGE...]: a package as its maker needs to see it before shipping.

#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Commands.h"
#include "cli/PackageList.h"
#include "engine/PackageCheck.h"

namespace gridmoor::cli {

namespace {

struct CheckOptions {
  std::vector<std::string> packages;
  bool json = false;
  bool strict = false;
};

const char* LevelName(FindingLevel level) {
  return level == FindingLevel::kError ? "error" : "warning";
}

int RunCheck(Console& console, const CheckOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const PackageList packages(*files, options.packages);
  for (const std::string& line : packages.Skipped())
    console.err << "note: skipped " << line << "\n";
  nlohmann::json report = {{"version", kJsonVersion}, {"packages", nlohmann::json::array()}};
  int status = kExitOk;
  for (const PackageSource& source : packages.Items()) {
    const std::string& argument = source.argument;
    std::vector<PackageFinding> findings;
    if (source.error.empty()) {
      findings = CheckPackage(*files, source.folder);
    } else {
      PackageFinding finding;
      finding.subject = "package folder";
      finding.message = source.error;
      finding.code = "not-a-package";
      findings.push_back(std::move(finding));
    }
    int errors = 0, warnings = 0;
    nlohmann::json list = nlohmann::json::array();
    for (const PackageFinding& finding : findings) {
      ++(finding.level == FindingLevel::kError ? errors : warnings);
      if (options.json) {
        list.push_back({{"level", LevelName(finding.level)},
                        {"code", finding.code},
                        {"file", finding.file.empty() ? nlohmann::json(nullptr)
                                                      : nlohmann::json(finding.file)},
                        {"key", finding.key.empty() ? nlohmann::json(nullptr)
                                                    : nlohmann::json(finding.key)},
                        {"subject", finding.subject},
                        {"message", finding.message}});
      }
    }
    // Strict: a package passes only when it installs exactly as written.
    if (errors > 0 || (options.strict && warnings > 0)) status = kExitInvalidPackage;
    if (options.json) {
      report["packages"].push_back({{"package", source.error.empty() ? source.shown : argument},
                        {"errors", errors},
                        {"warnings", warnings},
                        {"findings", list}});
    } else {
      PrintFindings(console, argument, findings);
    }
  }
  // Text that is not UTF-8 (the game's files are 8-bit ANSI) is shown with replacement
  // characters rather than failing the dump.
  if (options.json)
    console.Raw() << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  return status;
}

void RunWhere(Console& console, const GameOptions& options, int& status) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  std::string error;
  std::optional<GameFolder> game = LocateGame(*files, options, error);
  if (!game) {
    console.err << "error: " << error << "\n";
    status = kExitNoGameFolder;
    return;
  }
  console.out << files->NativePath(game->folder) << "\n" << "found through " << game->how << "\n";
  status = kExitOk;
}

}  // namespace

void PrintFindings(Console& console, const std::string& argument,
                   const std::vector<PackageFinding>& findings) {
  int errors = 0, warnings = 0;
  for (const PackageFinding& finding : findings) {
    ++(finding.level == FindingLevel::kError ? errors : warnings);
    console.out << argument << ": " << LevelName(finding.level) << ": " << finding.subject << ": "
                << finding.message << "\n";
  }
  console.out << argument << ": " << errors << " error" << (errors == 1 ? "" : "s") << ", "
              << warnings << " warning" << (warnings == 1 ? "" : "s") << "\n";
}

void AddCheckCommand(CLI::App& app, Console& console, int& status) {
  auto options = std::make_shared<CheckOptions>();
  CLI::App* command = app.add_subcommand(
      "check", "Check track packages for what the installer would refuse or quietly cut");
  command->add_option("PACKAGE", options->packages,
                      "Package folders, archives and folders of them (default: the current folder)");
  command->add_flag("--strict", options->strict,
                    "Count warnings as errors: pass only a package that installs exactly as "
                    "written");
  command->add_flag("--json", options->json, "Print the findings as JSON");
  command->footer(ExitStatusHelp({3}));
  command->callback([&console, &status, options] { status = RunCheck(console, *options); });
}

void AddWhereCommand(CLI::App& app, Console& console, int& status) {
  auto options = std::make_shared<GameOptions>();
  CLI::App* command =
      app.add_subcommand("where", "Print the game folder the commands would use and how it was found");
  AddGameOptions(*command, *options);
  command->footer(ExitStatusHelp({4}));
  command->callback([&console, &status, options] { RunWhere(console, *options, status); });
}

}  // namespace gridmoor::cli
