// gridmoor-cli: the installer's engine from the command line, for many tracks at once, for
// games under Wine, and for track makers checking their packages.

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/SeasonCommands.h"
#include "cli/Terminal.h"

int main(int argc, char** argv) {
  using namespace gridmoor::cli;
  SetCommandLine(argc, argv);
  Console console{std::cout, std::cerr, std::cin, StdinIsTerminal(), StdoutIsTerminal()};

  CLI::App app("Installs GPL track packages, checks them, and keeps the season files in order.",
               "gridmoor-cli");
  app.require_subcommand(1);
  app.footer(ExitStatusHelp({3, 4, 5, 6, 7, 8, 9, 10, 11, 12}) +
             "\nWith several packages, the status of the first that failed.");
  int status = kExitOk;
  AddInstallCommand(app, console, status);
  AddCheckCommand(app, console, status);
  AddWhereCommand(app, console, status);
  AddSeasonCommands(app, console, status);
  AddShapeCommands(app, console, status);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    // CLI11 words an unknown command as a missing one.
    if (argc > 1 && argv[1][0] != '-') {
      try {
        app.get_subcommand(argv[1]);
      } catch (const CLI::Error&) {
        std::vector<std::string> names;
        for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
          names.push_back(command->get_name());
        const std::string nearest = NearestCommand(argv[1], names);
        std::cerr << "gridmoor-cli: unknown command: " << argv[1]
                  << (nearest.empty() ? "" : "; did you mean \"" + nearest + "\"?")
                  << " (see gridmoor-cli --help)\n";
        return kExitUsage;
      }
    }
    std::cerr << "gridmoor-cli: " << e.what() << " (see gridmoor-cli --help)\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "gridmoor-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  std::cout.flush();
  return status;
}
