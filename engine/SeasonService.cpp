#include "engine/SeasonService.h"

#include <algorithm>
#include <exception>
#include <set>

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/SeasonLibrary.h"
#include "engine/SeasonText.h"
#include "engine/WriteAccessCheck.h"
#include "platform/FileException.h"
#include "platform/ProcessList.h"
#include "platform/ProfileDocument.h"
#include "platform/ProfileText.h"

namespace gridmoor {

SeasonService::SeasonService(FileSystem& files, std::string gameFolder,
                             std::function<std::optional<std::string>()> runningGame)
    : m_files(files), m_gameFolder(std::move(gameFolder)), m_runningGame(std::move(runningGame)) {
  m_settled = SettleInterrupted(m_files, m_gameFolder);
}

std::string SeasonService::PathOf(SeasonFileId file) const {
  return SeasonFilePath(m_gameFolder, SeasonFileNameOf(file));
}

std::vector<std::string> SeasonService::ReadOnlyFiles(const SeasonChange& change) const {
  std::vector<std::string> marked;
  for (const SeasonFileId file : kBothSeasonFiles) {
    if (change.Changes(file) && change.Before(file) && HasReadOnlyMark(m_files, PathOf(file)))
      marked.push_back(PathOf(file));
  }
  return marked;
}

std::optional<std::string> SeasonService::RunningGame() const {
  return m_runningGame ? m_runningGame() : ProgramRunningIn(m_gameFolder);
}

// ------------------------------------------------------------------------------------- reading

SeasonFileView SeasonService::Read(SeasonFileId file) const {
  SeasonFileView view;
  const std::string path = PathOf(file);
  try {
    const ProfileDocument document = ProfileDocument::Load(m_files, path);
    view.events = ReadSeasonEvents(document, m_files, m_gameFolder);
  } catch (const CFileException& error) {
    view.problem = MakeProblem(SeasonRefusal::kUnreadable, SeasonFileNameOf(file),
                           FileErrorReason(error.Cause()), path);
  }
  return view;
}

std::vector<AvailableTrack> SeasonService::AvailableTracks() const {
  return AddCandidates(SeasonFileId::kSeason);
}

std::vector<AvailableTrack> SeasonService::AddCandidates(SeasonFileId file) const {
  std::vector<AvailableTrack> tracks;
  const std::optional<std::vector<FolderEntry>> entries =
      m_files.ListFolder(m_gameFolder + "\\tracks");
  if (!entries) return tracks;
  std::set<std::string> named;
  std::optional<std::string> season;
  try {
    season = m_files.ReadExistingFile(PathOf(file), kMaxSeasonFileBytes);
  } catch (const std::exception&) {
  }
  if (season) {
    for (const auto& [section, folder] : ProfileValuesOfKey(*season, "trackDirectory")) {
      const int number = EventNumberOfSection(std::string(section));
      if (number >= 1 && number <= EventCountOf(*season)) named.insert(FoldedName(std::string(folder)));
    }
  }
  SeasonProblem ignored;
  const std::optional<Library> library = ReadLibrary(PlanContext{m_files, m_gameFolder}, ignored);
  for (const FolderEntry& entry : *entries) {
    // Windows names one folder in any letter case: an event naming "Kestrel" holds "kestrel".
    if (!entry.isFolder || named.count(FoldedName(entry.name))) continue;
    tracks.push_back({entry.name, library && library->Find(entry.name) != nullptr});
  }
  std::sort(tracks.begin(), tracks.end(), [](const AvailableTrack& a, const AvailableTrack& b) {
    return FoldedName(a.folder) < FoldedName(b.folder);
  });
  return tracks;
}

std::vector<HistoryStep> SeasonService::ListSteps() const {
  return ListSeasonSteps(m_files, m_gameFolder);
}

bool SeasonService::RememberInstalled(const TrackPackage& package) {
  return RememberInstalledTrack(PlanContext{m_files, m_gameFolder}, package);
}

}  // namespace gridmoor
