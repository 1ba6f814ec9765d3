// Drives one install through the real program without a person: the demo's hands.
//
//   gridmoor_drive <program.exe> <package folder> [--game-folder <folder>] [--championship]
//                  [--screenshot <file.bmp>] [--season-screenshot <file.bmp>] [--pictures-only]
//   gridmoor_drive <program.exe> <package folder> --time-start <runs>
//   gridmoor_drive <program.exe> <package folder> --game-folder <folder> --time-season <runs>
//
// Starts the program in the package folder, waits for its dialog, optionally types the game
// folder, ticks "Add to gp.ini" and saves a picture of the dialog (and, opened with
// "Season...", of the season window); then presses Install Track, answers every message box
// (Yes to the read-only questions, OK otherwise) and prints each. With --pictures-only it
// cancels instead of installing.
// Exit status: 0 when the program ended after a summary that reports both steps completed.
//
// The timings start the program <runs> times and print each run and the median, in
// milliseconds: --time-start from the start of the process until its dialog is shown,
// --time-season from the press of "Season..." until the season window is shown with its list
// filled.

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "e2e/InstallerDriver.h"
#include "e2e/SeasonDriver.h"

using namespace gridmoor::e2e;

namespace {

struct Options {
  std::string program;
  std::string package;
  std::string gameFolder;
  std::string screenshot;
  std::string seasonScreenshot;
  bool championship = false;
  bool picturesOnly = false;
  int timeStartRuns = 0;
  int timeSeasonRuns = 0;
};

bool ParseArguments(int argc, char** argv, Options& options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--championship") {
      options.championship = true;
    } else if (arg == "--pictures-only") {
      options.picturesOnly = true;
    } else if ((arg == "--game-folder" || arg == "--screenshot") && i + 1 < argc) {
      (arg == "--game-folder" ? options.gameFolder : options.screenshot) = argv[++i];
    } else if (arg == "--season-screenshot" && i + 1 < argc) {
      options.seasonScreenshot = argv[++i];
    } else if ((arg == "--time-start" || arg == "--time-season") && i + 1 < argc) {
      (arg == "--time-start" ? options.timeStartRuns : options.timeSeasonRuns) =
          std::max(1, std::atoi(argv[++i]));
    } else if (positional == 0) {
      options.program = arg, ++positional;
    } else if (positional == 1) {
      options.package = arg, ++positional;
    } else {
      return false;
    }
  }
  return positional == 2;
}

// The box's lines, indented, with its CR LF line ends made plain.
void PrintIndented(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      std::printf("    %s\n", line.c_str());
      line.clear();
    } else {
      line += c;
    }
  }
  std::printf("    %s\n", line.c_str());
}

// Captures of `rect` that agree `times` in a row: the window has finished painting.
Image SteadyCapture(const std::function<RECT()>& rect, int times = 2) {
  Image previous, shot;
  int agreeing = 0;
  WaitUntil([&] {
    previous = std::move(shot);
    shot = CaptureScreen(rect());
    agreeing = !shot.Empty() && shot.pixels == previous.pixels ? agreeing + 1 : 0;
    return agreeing + 1 >= times;
  });
  return shot;
}

// Waits until the dialog shows its picture and two captures in a row agree, then saves it.
bool SaveDialogPicture(const InstallerDriver& program, const std::string& path) {
  const POINT origin = program.ClientOrigin();
  const RECT pictureArea = {origin.x + 12, origin.y + 7, origin.x + 312, origin.y + 185};
  const bool pictureShown = WaitUntil([&] {
    const Image picture = CaptureScreen(pictureArea);
    for (std::uint32_t pixel : picture.pixels) {
      if (pixel != picture.pixels.front()) return true;
    }
    return false;
  });
  const Image shot = SteadyCapture([&] { return program.WindowRect(); });
  return pictureShown && SaveBmp24(shot, path);
}

// Opens the season window from the dialog, saves its picture and closes it again.
bool SaveSeasonPicture(InstallerDriver& program, const std::string& path) {
  program.Click(control::kOpenSeason);
  SeasonWindowDriver season(program);
  if (!season.WaitForWindow()) return false;
  // Painted once the list shows its rows: more than one colour in it.
  WaitUntil([&] {
    RECT list = {};
    GetWindowRect(season.Control(season::kList), &list);
    const Image rows = CaptureScreen(list);
    return std::any_of(rows.pixels.begin(), rows.pixels.end(),
                       [&](std::uint32_t pixel) { return pixel != rows.pixels.front(); });
  });
  const Image shot = SteadyCapture([&] {
    RECT rect = {};
    GetWindowRect(season.Window(), &rect);
    return rect;
  }, 20);
  const bool saved = SaveBmp24(shot, path);
  std::printf("Season window \"%s\": %s, %d events listed\n", WindowText(season.Window()).c_str(),
              season.Text(season::kCount).c_str(), season.RowCount());
  season.Click(season::kClose);
  return season.WaitForClosed() && saved;
}

using Clock = std::chrono::steady_clock;

// Polls every millisecond: the figures are tens of milliseconds.
template <class Condition>
bool WaitClosely(Condition condition) {
  const auto deadline = Clock::now() + kDefaultTimeout;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    Sleep(1);
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int PrintTimings(const char* what, const std::vector<double>& runs, int wanted) {
  std::printf("%s:", what);
  for (double ms : runs) std::printf(" %.1f", ms);
  if (static_cast<int>(runs.size()) != wanted) {
    std::printf("\nonly %zu of %d runs succeeded\n", runs.size(), wanted);
    return 1;
  }
  std::printf("\n%s median of %d: %.1f ms\n", what, wanted, Median(runs));
  return 0;
}

int TimeStart(const Options& options) {
  std::vector<double> runs;
  for (int run = 0; run < options.timeStartRuns; ++run) {
    const auto start = Clock::now();
    InstallerDriver program(options.program, options.package);
    if (!program.Started()) break;
    HWND shown = nullptr;
    WaitClosely([&] {
      for (HWND window : program.TopLevelWindows()) {
        if (IsWindowVisible(window) && GetDlgItem(window, control::kGameFolder)) shown = window;
      }
      return shown || program.Process().HasExited();
    });
    if (!shown) break;
    runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    program.Process().Terminate();
  }
  return PrintTimings("start-up to dialog shown", runs, options.timeStartRuns);
}

int TimeSeason(const Options& options) {
  std::vector<double> runs;
  for (int run = 0; run < options.timeSeasonRuns; ++run) {
    InstallerDriver program(options.program, options.package);
    if (!program.Started() || !program.WaitForDialog()) break;
    program.SetText(control::kGameFolder, options.gameFolder);
    SeasonWindowDriver season(program);
    const auto start = Clock::now();
    program.Click(control::kOpenSeason);
    HWND shown = nullptr;
    WaitClosely([&] {
      for (HWND window : program.TopLevelWindows()) {
        HWND list = GetDlgItem(window, season::kList);
        if (list && IsWindowVisible(window) && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0)
          shown = window;
      }
      return shown || program.Process().HasExited();
    });
    if (!shown) break;
    runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    program.Process().Terminate();
  }
  return PrintTimings("Season... to window shown", runs, options.timeSeasonRuns);
}

}  // namespace

int main(int argc, char** argv) {
  // Plain line feeds: the output is read on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: gridmoor_drive <program.exe> <package folder> [--game-folder <folder>]"
                 " [--championship] [--screenshot <file.bmp>] [--season-screenshot <file.bmp>]"
                 " [--pictures-only]"
                 " [--time-start <runs> | --time-season <runs>]\n");
    return 2;
  }
  if (options.timeStartRuns) return TimeStart(options);
  if (options.timeSeasonRuns) return TimeSeason(options);
  InstallerDriver program(options.program, options.package);
  if (!program.Started()) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", options.program.c_str(),
                 static_cast<unsigned long>(program.StartError()));
    return 1;
  }
  if (!program.WaitForDialog()) {
    // An invalid package ends at once with its one message: report it all the same.
    const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());
    for (const MessageBoxRecord& box : outcome.boxes) {
      std::printf("Message box \"%s\":\n", box.caption.c_str());
      PrintIndented(box.text);
    }
    std::fprintf(stderr, "the installer's dialog did not come up\n");
    return 1;
  }
  if (!options.gameFolder.empty()) program.SetText(control::kGameFolder, options.gameFolder);
  if (options.championship && !program.IsChecked(control::kChampionship)) {
    program.ClickCheckBox(control::kChampionship);
    WaitUntil([&] { return program.IsChecked(control::kChampionship); });
  }

  std::printf("Dialog \"%s\"\n", program.Caption().c_str());
  std::printf("  GPL path:      %s\n", program.Text(control::kGameFolder).c_str());
  std::printf("  Add to gp.ini: %s\n", program.IsChecked(control::kChampionship) ? "yes" : "no");
  std::printf("  Replay:        %s\n", program.IsChecked(control::kReplay) ? "yes" : "no");
  if (!options.screenshot.empty()) {
    if (SaveDialogPicture(program, options.screenshot)) {
      std::printf("  Screenshot:    %s\n", options.screenshot.c_str());
    } else {
      std::fprintf(stderr, "could not save the dialog's picture to %s\n", options.screenshot.c_str());
    }
  }
  if (!options.seasonScreenshot.empty() && !SaveSeasonPicture(program, options.seasonScreenshot)) {
    std::fprintf(stderr, "could not save the season window's picture to %s\n",
                 options.seasonScreenshot.c_str());
  }

  if (options.picturesOnly) {
    program.Click(control::kCancel);
    return program.WaitForExit() ? 0 : 1;
  }
  std::printf("Pressing Install Track\n");
  program.Click(control::kInstall);
  const RunOutcome outcome = program.AnswerUntilExit(AnswerChoices({IDYES}));
  for (const MessageBoxRecord& box : outcome.boxes) {
    std::printf("Message box \"%s\" (%s icon), answered %s:\n", box.caption.c_str(),
                IconName(box.icon), ButtonName(box.answer));
    PrintIndented(box.text);
  }
  if (!outcome.exited) {
    std::fprintf(stderr, "the installer did not end\n");
    program.Process().Terminate();
    return 1;
  }
  const bool completed =
      !outcome.boxes.empty() &&
      outcome.boxes.back().text.rfind(
          "Install of track files completed OK\r\nUpdate of ini file(s) completed OK", 0) == 0;
  return completed ? 0 : 1;
}
