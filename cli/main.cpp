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
  // Every line but JSON goes through the escaping buffers: text read from files is printed as
  // it is, and must not reach the terminal as control sequences.
  ControlEscapingBuffer outBuffer(std::cout.rdbuf());
  ControlEscapingBuffer errBuffer(std::cerr.rdbuf());
  std::ostream out(&outBuffer);
  std::ostream err(&errBuffer);
  err.setf(std::ios::unitbuf);
  Console console{out, err, std::cin, StdinIsTerminal(), StdoutIsTerminal(), &std::cout};

  CLI::App app("Installs GPL track packages, checks them, and keeps the season files in order.",
               "gridmoor-cli");
  app.require_subcommand(1);
  app.set_version_flag("--version", "gridmoor-cli " GRIDMOOR_VERSION);
  app.footer(ExitStatusHelp({3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}) +
             "\nWith several packages, the status of the first that failed.");
  int status = kExitOk;
  AddInstallCommand(app, console, status);
  AddCheckCommand(app, console, status);
  AddNewCommand(app, console, status);
  AddPackCommand(app, console, status);
  AddWhereCommand(app, console, status);
  AddSeasonCommands(app, console, status);
  AddShapeCommands(app, console, status);
  AddTrackCommands(app, console, status);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    // CLI11 words an unknown command as a missing one.
    if (argc > 1 && argv[1][0] != '-') {
      try {
        app.get_subcommand(argv[1]);
      } catch (const CLI::Error&) {
        std::vector<std::string> names;
        for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
          names.push_back(command->get_name());
        const std::string nearest = NearestCommand(argv[1], names);
        err << "gridmoor-cli: unknown command: " << argv[1]
                  << (nearest.empty() ? "" : "; did you mean \"" + nearest + "\"?")
                  << " (see gridmoor-cli --help)\n";
        return kExitUsage;
      }
    }
    err << "gridmoor-cli: " << e.what() << " (see gridmoor-cli --help)\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    err << "gridmoor-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  out.flush();
  return status;
}
