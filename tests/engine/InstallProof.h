#pragma once
// What an install run may leave behind, however it ends (a failed file call, a kill, a full
// disk, a locked file): each season file holds its old bytes or the whole new event with its
// count, each track file its old bytes or the new ones, and the summary claims only what is
// there. Shared by the fault injection here and the native proofs in tests/proofs.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "RecordingHost.h"
#include "engine/InstallRun.h"
#include "platform/MemoryFileSystem.h"
#include "platform/ProfileDocument.h"

namespace gridmoor::testing {

// How many runs (kills, lock-race installs) a proof makes: GRIDMOOR_PROOF_RUNS when set, else
// the quick count fit for every test run.
inline int ProofRuns(int quick) {
  const char* text = std::getenv("GRIDMOOR_PROOF_RUNS");
  const int runs = text ? std::atoi(text) : 0;
  return runs > 0 ? runs : quick;
}

// The recording host answering Yes to every question (clear the read-only marks).
class YesHost : public RecordingHost {
 public:
  MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons,
                            MessageIcon icon) override {
    if (buttons == MessageButtons::YesNo) answers.push_back(MessageAnswer::Yes);
    return RecordingHost::ShowMessage(text, buttons, icon);
  }
  // The summary box's text, or "" when the run showed none.
  std::string Summary() const {
    for (const Box& box : Boxes())
      if (box.text.find("Click OK to finish track install") != std::string::npos) return box.text;
    return "";
  }
};

// One season file before a run and where the package's event must land in it.
struct SeasonCase {
  std::string before;
  long long event;  // the event section the track gets
  long long count;  // numEvents afterwards
};

// A game folder as a run finds it, and the choices made in the dialog.
struct Scene {
  const char* name;
  SeasonCase season;
  SeasonCase championship;  // gp.ini; untouched unless `championshipChosen`
  bool championshipChosen;
  bool replayChosen;
  bool readOnly;          // both season files marked read-only (the run is told Yes)
  bool oldTrackFiles;     // the track folder and the replay hold an earlier install's files
};

// `SeasonWithEvents(count)` with event `at` naming the package's track (its other values old).
inline std::string SeasonNaming(int count, int at) {
  std::string text = SeasonWithEvents(count);
  const std::string from = "trackDirectory=track" + std::to_string(at) + "\r\n";
  text.replace(text.find(from), from.size(), "trackDirectory=zandvoort\r\n");
  return text;
}

inline void PrintTo(const Scene& scene, std::ostream* out) { *out << scene.name; }

inline const std::vector<Scene>& Scenes() {
  static const std::vector<Scene> scenes = {
      {"append", {SeasonWithEvents(12), 13, 13}, {SeasonWithEvents(16), 17, 17}, true, true,
       true, false},
      {"refresh", {SeasonNaming(12, 5), 5, 12}, {SeasonNaming(16, 3), 3, 16}, true, true, false,
       true},
      {"last-event", {SeasonWithEvents(63), 64, 64}, {SeasonWithEvents(2), 3, 3}, false, false,
       true, true},
  };
  return scenes;
}

inline std::string OldBytes(const std::string& name) { return "an earlier install's " + name; }
inline const std::string& ReplayName() {
  static const std::string name = "zandvoort_wr.rpy";
  return name;
}

// Season files (and their marks) as before a run; the rest of the game folder as it is.
inline void ResetSeasons(FileSystem& files, const fs::path& game, const Scene& scene) {
  for (const char* name : {"67season.ini", "gp.ini"}) {
    const fs::path path = game / "seasons" / name;
    if (fs::exists(path)) SetReadOnly(files, path.string(), false);
  }
  WriteBytes(game / "seasons" / "67season.ini", scene.season.before);
  WriteBytes(game / "seasons" / "gp.ini", scene.championship.before);
  if (scene.readOnly) {
    SetReadOnly(files, (game / "seasons" / "67season.ini").string(), true);
    SetReadOnly(files, (game / "seasons" / "gp.ini").string(), true);
  }
}

// The track files and the replay as before a run (an earlier install's, or none); anything
// else in their folders stays.
inline void ResetTrackFiles(const fs::path& game, const Scene& scene) {
  std::vector<std::pair<fs::path, std::string>> targets;
  for (const std::string& name : PackageTrackFiles())
    targets.push_back({game / "tracks" / "zandvoort" / InstalledName(name), name});
  targets.push_back({game / "replay" / ReplayName(), "rpy"});
  for (const auto& [target, source] : targets) {
    if (scene.oldTrackFiles) {
      WriteBytes(target, OldBytes(source));
    } else {
      fs::remove(target);
    }
  }
}

// A whole game folder as before a run.
inline void Arrange(FileSystem& files, const fs::path& game, const Scene& scene) {
  fs::create_directories(game / "tracks");
  fs::create_directories(game / "replay");
  WriteBytes(game / "gpl.exe", "MZ the game");
  ResetTrackFiles(game, scene);
  ResetSeasons(files, game, scene);
}

enum class End { kOld, kNew, kBroken };
inline const char* Name(End end) {
  return end == End::kOld ? "old" : end == End::kNew ? "new" : "BROKEN";
}

// Old bytes exactly, or the package's event whole: its seven values, the count, and every
// other entry as it was (then, as a whole, the bytes a clean run leaves: `after`).
inline End ClassifySeason(const std::string& bytes, const SeasonCase& expected,
                          const std::string& after, const TrackPackage& package,
                          std::string& why) {
  if (bytes == expected.before) return End::kOld;
  MemoryFileSystem memory;
  memory.files["now"] = bytes;
  const ProfileDocument now = ProfileDocument::Load(memory, "now");
  const std::string section = "Event" + std::to_string(expected.event);
  const std::pair<const char*, const std::string*> values[] = {
      {"name", &package.name},           {"shortname", &package.shortname},
      {"trackDirectory", &package.trackDirectory}, {"numberOfLaps", &package.numberOfLaps},
      {"day", &package.day},             {"month", &package.month},
      {"startingGrid", &package.startingGrid}};
  for (const auto& [key, value] : values) {
    if (now.Get(section, key) != *value) {
      why = section + " " + key + " is " + now.Get(section, key).value_or("(missing)");
      return End::kBroken;
    }
  }
  if (now.Get("Season", "numEvents") != std::to_string(expected.count)) {
    why = "numEvents is " + now.Get("Season", "numEvents").value_or("(missing)");
    return End::kBroken;
  }
  if (bytes != after) {
    why = "the event is whole but other bytes changed";
    return End::kBroken;
  }
  return End::kNew;
}

// Names of our temporary files left in `folder`.
inline std::vector<std::string> Temporaries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) {
    const std::string name = entry.path().filename().string();
    if (IsTemporaryFileName(name)) names.push_back(name);
  }
  return names;
}

// What a run left in the game folder.
struct Inspection {
  End season = End::kBroken;
  End championship = End::kBroken;
  End copy = End::kBroken;  // kOld: no file of this install; kNew: all of them; else mixed
  bool copyBroken = false;  // a file that is neither old nor new (cut, or another's bytes)
  int temporaries = 0;
  std::vector<std::string> faults;
};

// The bytes a clean run leaves in both season files of `scene`.
struct CleanAfter {
  std::string season;
  std::string championship;
};

inline Inspection Inspect(const fs::path& game, const fs::path& package, const Scene& scene,
                          const CleanAfter& after, const TrackPackage& track) {
  Inspection result;
  std::string why;
  result.season = ClassifySeason(ReadBytes(game / "seasons" / "67season.ini"), scene.season,
                                 after.season, track, why);
  if (result.season == End::kBroken) result.faults.push_back("67season.ini: " + why);
  const std::string gp = ReadBytes(game / "seasons" / "gp.ini");
  if (scene.championshipChosen) {
    result.championship = ClassifySeason(gp, scene.championship, after.championship, track, why);
    if (result.championship == End::kBroken) result.faults.push_back("gp.ini: " + why);
  } else {
    result.championship = gp == scene.championship.before ? End::kOld : End::kBroken;
    if (result.championship == End::kBroken) result.faults.push_back("gp.ini touched unchosen");
  }

  int fresh = 0, stale = 0;
  std::vector<std::pair<fs::path, std::string>> copies;  // target, package file
  for (const std::string& name : PackageTrackFiles())
    copies.push_back({game / "tracks" / "zandvoort" / InstalledName(name), name});
  if (scene.replayChosen) copies.push_back({game / "replay" / ReplayName(), "rpy"});
  for (const auto& [target, source] : copies) {
    const bool exists = fs::exists(target);
    const std::string bytes = exists ? ReadBytes(target) : std::string();
    if (exists && bytes == ReadBytes(package / source)) {
      ++fresh;
    } else if (scene.oldTrackFiles ? bytes == OldBytes(source) : !exists) {
      ++stale;
    } else {
      result.copyBroken = true;
      result.faults.push_back(target.filename().string() + " is neither old nor new");
    }
  }
  const int all = static_cast<int>(copies.size());
  result.copy = fresh == all ? End::kNew : stale == all ? End::kOld : End::kBroken;
  for (const fs::path& folder :
       {game / "seasons", game / "tracks" / "zandvoort", game / "replay"}) {
    result.temporaries += static_cast<int>(Temporaries(folder).size());
  }
  return result;
}

// The summary claims only steps whose results are all there.
inline void CheckSummary(const std::string& summary, const Scene& scene, const Inspection& found,
                         std::vector<std::string>& faults) {
  if (summary.find("Install of track files completed OK") != std::string::npos &&
      found.copy != End::kNew) {
    faults.push_back("copy reported OK without every file in place");
  }
  if (summary.find("Update of ini file(s) completed OK") != std::string::npos &&
      (found.season != End::kNew ||
       found.championship != (scene.championshipChosen ? End::kNew : End::kOld))) {
    faults.push_back("update reported OK without the event");
  }
}

// Tallies of how runs ended, printed for the record.
struct Tally {
  explicit Tally(std::string name) : proof(std::move(name)) {}

  std::string proof;
  int runs = 0;
  std::array<int, 3> season{};        // old, new, broken
  std::array<int, 3> championship{};  // old, new, broken
  std::array<int, 3> copy{};          // old, new, mixed (whole files from both)
  int faults = 0;
  std::vector<std::pair<std::string, int>> extra;  // proof-specific counts

  void Add(const Inspection& found) {
    ++runs;
    ++season[static_cast<int>(found.season)];
    ++championship[static_cast<int>(found.championship)];
    ++copy[static_cast<int>(found.copy)];
    if (!found.faults.empty()) ++faults;
  }
  void Count(const std::string& what, int n = 1) {
    for (auto& [name, count] : extra)
      if (name == what) {
        count += n;
        return;
      }
    extra.push_back({what, n});
  }
  void Print() const {
    std::cout << "[proof] " << proof << ": runs " << runs << "; 67season.ini old "
              << season[0] << " new " << season[1] << " broken " << season[2]
              << "; gp.ini old " << championship[0] << " new " << championship[1] << " broken "
              << championship[2] << "; track files old " << copy[0] << " new " << copy[1]
              << " mixed " << copy[2];
    for (const auto& [name, count] : extra) std::cout << "; " << name << " " << count;
    std::cout << "; runs with faults " << faults << std::endl;
  }
};

// Runs a clean install of `scene` in a scratch game folder and answers the season files' bytes.
inline CleanAfter CleanRun(const Scene& scene, const TempFolder& package) {
  TempFolder game;
  auto files = MakeNativeFileSystem();
  Arrange(*files, game.Path(), scene);
  YesHost host;
  host.gameFolder = game.Text();
  host.championshipChecked = scene.championshipChosen;
  host.replayChecked = scene.replayChosen;
  EXPECT_EQ(OnInstallTrack(host, *files, PackageFor(package)), InstallOutcome::kDone)
      << scene.name;
  return {ReadBytes(game / "seasons" / "67season.ini"), ReadBytes(game / "seasons" / "gp.ini")};
}

}  // namespace gridmoor::testing
