#pragma once
// Where the game keeps what an install touches, relative to the game folder. Every game file is
// the game folder followed by one of these (plain concatenation, backslash separators).

namespace gridmoor {

constexpr const char* kGameProgram = "gpl.exe";  // the game's program, in the game folder
constexpr const char* kSeasonsFolder = "\\seasons";
// The season files' names, and their paths below the game folder.
constexpr const char* kSeasonFileName = "67season.ini";
constexpr const char* kChampionshipFileName = "gp.ini";
constexpr const char* kSeasonFile = "\\seasons\\67season.ini";
constexpr const char* kChampionshipFile = "\\seasons\\gp.ini";
constexpr const char* kTracksFolder = "\\tracks\\";  // followed by the track's folder name
constexpr const char* kReplayFolder = "\\replay\\";  // followed by the replay's file name
// Folders of ours inside seasons\, which the game never lists.
constexpr const char* kLibraryFile = "\\seasons\\gridmoor-library\\events";
constexpr const char* kLibraryFolder = "\\seasons\\gridmoor-library";
constexpr const char* kSetsFolder = "\\seasons\\gridmoor-sets";
// One record of each installed track, named as its folder in tracks\ (TrackRecords.h).
constexpr const char* kTrackRecordsFolder = "\\seasons\\gridmoor-tracks";
// The name of the active set, one line; kept and put back with each undo step.
constexpr const char* kActiveSetFile = "\\seasons\\gridmoor-sets\\active";

}  // namespace gridmoor
