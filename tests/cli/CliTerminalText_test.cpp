// Text read from files reaches the terminal with its control characters escaped: a package's
// install.ini, the season files, a calendar, an archive's entry names, through every command
// that prints them. --json keeps the text (JSON escapes it).

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "cli/CliFixture.h"
#ifndef _WIN32
#include "cli/TestArchive.h"
#endif

namespace gridmoor::testing {
namespace {

// Clears the screen, sets the window title, rings the bell, and a DEL and a C1 CSI (UTF-8).
const std::string kHostile = "\x1b[2J\x1b]0;PWNED\x07Name\x7f\xc2\x9b" "31m";

std::string ShownBytes(const std::string& bytes) {
  std::string shown;
  for (const unsigned char c : bytes) shown += "<" + std::to_string(c) + ">";
  return shown;
}

// A game whose package (and, once installed, events) carries the hostile name.
class HostileGame : public CliFixture {
 public:
  HostileGame() {
    m_package = Package("kestrel");
    std::string ini = Folder().Read("pkg-kestrel/install.ini");
    const std::string from = "name=Kestrel Heath Grand Prix";
    ini.replace(ini.find(from), from.size(), "name=" + kHostile);
    Folder().Write("pkg-kestrel/install.ini", ini);
  }
  const std::string& HostilePackage() const { return m_package; }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.end(), {"--game", Game()});
    return RunCli(args);
  }
  void Install() { ASSERT_EQ(Run({"install", m_package, "--yes", "--force"}).status, 0); }

 private:
  std::string m_package;
};

struct HostileCase {
  const char* name;
  std::function<CliResult(HostileGame&)> run;
  bool showsText = true;  // the command prints the hostile text (escaped)
};

class CliTerminalText : public ::testing::TestWithParam<HostileCase> {};

TEST_P(CliTerminalText, ShowsControlCharactersEscaped) {
  HostileGame game;
  const CliResult run = GetParam().run(game);
  ASSERT_NE(run.status, -1);
  std::string printed = run.out + run.err;
  // The Windows console's text mode ends lines in CR LF; a CR anywhere else is the text's.
  for (std::size_t at; (at = printed.find("\r\n")) != std::string::npos;) printed.erase(at, 1);
  for (const char* raw : {"\x1b", "\x07", "\x7f", "\xc2\x9b", "\r"})
    EXPECT_EQ(printed.find(raw), std::string::npos) << "raw " << ShownBytes(raw) << " in\n" << printed;
  // The text is shown, not dropped.
  if (GetParam().showsText) {
    EXPECT_NE(printed.find("\\x1b[2J\\x1b]0;PWNED\\x07"), std::string::npos) << printed;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliTerminalText,
    ::testing::Values(
        HostileCase{"check", [](HostileGame& g) { return RunCli({"check", g.HostilePackage()}); },
                    false},
        HostileCase{"install", [](HostileGame& g) {
                      return g.Run({"install", g.HostilePackage(), "--yes", "--force"});
                    }},
        HostileCase{"install_dry_run", [](HostileGame& g) {
                      return g.Run({"install", g.HostilePackage(), "--dry-run"});
                    }},
        HostileCase{"list", [](HostileGame& g) { g.Install(); return g.Run({"list"}); }},
        HostileCase{"remove", [](HostileGame& g) {
                      g.Install();
                      return g.Run({"remove", "kestrel", "--yes", "--force"});
                    }},
        HostileCase{"remove_dry_run", [](HostileGame& g) {
                      g.Install();
                      return g.Run({"remove", "kestrel", "--dry-run"});
                    }},
        HostileCase{"restore_list", [](HostileGame& g) {
                      g.Install();
                      g.Run({"remove", "kestrel", "--yes", "--force"});
                      return g.Run({"restore", "--list"});
                    },
                    false},
        HostileCase{"set_show", [](HostileGame& g) {
                      g.Install();
                      g.Run({"set", "save", "One"});
                      return g.Run({"set", "show", "One"});
                    }},
        HostileCase{"set_import_refused_name", [](HostileGame& g) {
                      g.Folder().Write("league.cal", "[Gridmoor calendar]\nformat=1\nname=" +
                                                         kHostile + "\n67season.ini=0\ngp.ini=0\n");
                      return g.Run({"set", "import", g.Folder().Native("league.cal").string()});
                    }}
#ifndef _WIN32
        ,
        HostileCase{"archive_entry", [](HostileGame& g) {
                      const auto zip = g.Folder().Native("track.zip");
                      std::vector<TestEntry> entries =
                          PackageEntries(g.Folder().Native("pkg-kestrel"), "Pkg/");
                      entries.push_back({"Pkg/" + kHostile + ".txt", "x"});
                      EXPECT_TRUE(WriteTestArchive(zip, entries));
                      return RunCli({"check", zip.string()});
                    }}
#endif
        ),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliTerminalText, CheckWarnsAboutControlCharactersAndJsonKeepsThem) {
  HostileGame game;
  const CliResult run = RunCli({"check", game.HostilePackage(), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json json = nlohmann::json::parse(run.out);
  bool warned = false;
  for (const auto& finding : json["packages"][0]["findings"])
    warned = warned || (finding["level"] == "warning" && finding["subject"] == "install.ini: name" &&
                        finding["message"].get<std::string>().find("control characters") !=
                            std::string::npos);
  EXPECT_TRUE(warned) << run.out;

  game.Install();
  const CliResult listed = game.Run({"list", "--json"});
  const nlohmann::json files = nlohmann::json::parse(listed.out)["files"];
  EXPECT_EQ(files[0]["events"].back()["name"], kHostile) << listed.out;
}

}  // namespace
}  // namespace gridmoor::testing
