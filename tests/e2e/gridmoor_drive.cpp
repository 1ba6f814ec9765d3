// Drives one install through the real program without a person: the demo's hands.
//
//   gridmoor_drive <program.exe> <package folder> [--game-folder <folder>] [--championship]
//                  [--screenshot <file.bmp>]
//
// Starts the program in the package folder, waits for its dialog, optionally types the game
// folder, ticks "Add to gp.ini" and saves a picture of the dialog; then presses Install Track,
// answers every message box (Yes to the read-only questions, OK otherwise) and prints each.
// Exit status: 0 when the program ended after a summary that reports both steps completed.

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "e2e/InstallerDriver.h"

using namespace gridmoor::e2e;

namespace {

struct Options {
  std::string program;
  std::string package;
  std::string gameFolder;
  std::string screenshot;
  bool championship = false;
};

bool ParseArguments(int argc, char** argv, Options& options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--championship") {
      options.championship = true;
    } else if ((arg == "--game-folder" || arg == "--screenshot") && i + 1 < argc) {
      (arg == "--game-folder" ? options.gameFolder : options.screenshot) = argv[++i];
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
  Image previous, shot;
  WaitUntil([&] {
    previous = std::move(shot);
    shot = CaptureScreen(program.WindowRect());
    return !shot.Empty() && shot.pixels == previous.pixels;
  });
  return pictureShown && SaveBmp24(shot, path);
}

}  // namespace

int main(int argc, char** argv) {
  // Plain line feeds: the output is read on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: gridmoor_drive <program.exe> <package folder> [--game-folder <folder>]"
                 " [--championship] [--screenshot <file.bmp>]\n");
    return 2;
  }
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
