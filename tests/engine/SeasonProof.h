#pragma once
// The season commands' scenes for the proofs (fault injection here, the kill loop and the lock
// race in tests/proofs): whatever ends a command, each season file holds its old bytes or its
// whole new ones, and `restore` brings back both files as they were before the command.

#include <functional>
#include <string>
#include <vector>

#include "InstallProof.h"
#include "engine/SeasonHistory.h"
#include "engine/SeasonService.h"

namespace gridmoor::testing {

struct SeasonScene {
  const char* name;
  std::string season;        // 67season.ini and gp.ini before the command
  std::string championship;
  std::function<SeasonChange(const SeasonService&)> plan;
};

inline std::string Reordered(int count) {
  std::string text = SeasonWithEvents(count);
  // Later events earlier in the year, so a date sort moves every event.
  for (int i = 1; i <= count; ++i) {
    const std::string from = "[Event" + std::to_string(i) + "]\r\nname=Race " + std::to_string(i);
    const std::size_t at = text.find(from);
    const std::size_t month = text.find("month=5", at);
    text.replace(month, 7, "month=" + std::to_string(13 - i));
  }
  return text;
}

inline const std::vector<SeasonScene>& SeasonScenes() {
  static const std::vector<SeasonScene> scenes = {
      // Both files change: the kill may fall between them.
      // (ArrangeSeasonScene saves the two sets first.)
      {"set_use", SeasonWithEvents(12), SeasonWithEvents(16),
       [](const SeasonService& service) { return service.PlanSetUse("other"); }},
      {"sort", Reordered(12), Reordered(10),
       [](const SeasonService& service) {
         return service.PlanSort(SortKey::kDate, SeasonFileChoice{true, true});
       }},
      {"remove", SeasonWithEvents(12), SeasonWithEvents(16),
       [](const SeasonService& service) {
         return service.PlanRemove({"track3", "track9"}, SeasonFileChoice{true, true}, false);
       }},
  };
  return scenes;
}

// Puts the scene's season files (and what `prepare` keeps) into `game`, and answers the bytes
// the command leaves when nothing stops it. The undo steps of the preparation are dropped, so
// the command's own step is the newest.
struct SeasonEnds {
  std::string before[2];
  std::string after[2];
};
inline void PlaceSeasonFiles(const fs::path& game, const std::string& season,
                             const std::string& championship) {
  fs::create_directories(game / "tracks");
  WriteBytes(game / "seasons" / "67season.ini", season);
  WriteBytes(game / "seasons" / "gp.ini", championship);
}
inline SeasonEnds ArrangeSeasonScene(const SeasonScene& scene, const TempFolder& game) {
  auto files = MakeNativeFileSystem();
  SeasonService service(*files, game.Text(), [] { return std::nullopt; });
  if (scene.name == std::string("set_use")) {
    // Two sets of different seasons; "now" active and in the files.
    PlaceSeasonFiles(game.Path(), SeasonWithEvents(5), SeasonWithEvents(3));
    service.Commit(service.PlanSetSave("other"), {"save"});
    PlaceSeasonFiles(game.Path(), scene.season, scene.championship);
    service.Commit(service.PlanSetSave("now"), {"save"});
  } else {
    PlaceSeasonFiles(game.Path(), scene.season, scene.championship);
  }
  fs::remove_all(game / "seasons" / "gridmoor-undo");
  SeasonEnds ends;
  ends.before[0] = ReadBytes(game / "seasons" / "67season.ini");
  ends.before[1] = ReadBytes(game / "seasons" / "gp.ini");
  // Planned again while another process holds a file (the lock race): a refused plan has no
  // after.
  SeasonChange change = scene.plan(service);
  for (int tries = 0; change.Problem() && tries < 10000; ++tries) change = scene.plan(service);
  ends.after[0] = change.After(SeasonFileId::kSeason).value_or("");
  ends.after[1] = change.After(SeasonFileId::kChampionship).value_or("");
  return ends;
}

// After a command ended somehow: each file old or whole new, and a restore (when anything
// changed) brings both back. Answers the faults; counts the ends into `tally` (season and
// championship old/new/broken).
inline std::vector<std::string> CheckSeasonEnd(const TempFolder& game, const SeasonEnds& ends,
                                               Tally& tally) {
  std::vector<std::string> faults;
  Inspection found;
  found.copy = End::kOld;  // a season command copies no track file
  End* end[2] = {&found.season, &found.championship};
  bool changed = false;
  for (int i = 0; i < 2; ++i) {
    const std::string now = ReadBytes(game / "seasons" / (i == 0 ? "67season.ini" : "gp.ini"));
    *end[i] = now == ends.before[i] ? End::kOld : now == ends.after[i] ? End::kNew : End::kBroken;
    if (*end[i] == End::kBroken) faults.push_back(std::string(i ? "gp.ini" : "67season.ini") + " is neither old nor new");
    changed = changed || *end[i] != End::kOld;
  }
  found.temporaries = static_cast<int>(Temporaries(game / "seasons").size());
  if (changed) {
    auto files = MakeNativeFileSystem();
    // A restore that meets a held file fails, keeping its step; the player runs it again.
    RestoreStatus status = RestoreStatus::kFailed;
    for (int tries = 0; status == RestoreStatus::kFailed && tries < 10000; ++tries)
      status = RestoreNewestStep(*files, game.Text(), false).status;
    if (status != RestoreStatus::kRestored) {
      faults.push_back("restore failed after an interrupted command");
    } else {
      tally.Count("restored");
      if (ReadBytes(game / "seasons" / "67season.ini") != ends.before[0] ||
          ReadBytes(game / "seasons" / "gp.ini") != ends.before[1])
        faults.push_back("restore did not bring back the files as before the command");
    }
  }
  found.faults = faults;
  tally.Add(found);
  return faults;
}

}  // namespace gridmoor::testing
