#include "engine/SeasonPlanning.h"

#include <algorithm>

#include "engine/FileErrorText.h"
#include "engine/ProfileValue.h"
#include "engine/SeasonText.h"
#include "platform/FileException.h"
#include "platform/ProfileDocument.h"

namespace gridmoor {

bool StartChange(const PlanContext& c, SeasonChange& change) {
  SeasonChange::Parts& parts = change.Build();
  for (const SeasonFileId file : kBothSeasonFiles) {
    const std::string path = SeasonFilePath(c.game, SeasonFileNameOf(file));
    try {
      parts.before[IndexOf(file)] = c.files.ReadExistingFile(path, kMaxSeasonFileBytes);
    } catch (const CFileException& error) {
      parts.problem = MakeProblem(SeasonRefusal::kUnreadable, SeasonFileNameOf(file),
                                  FileErrorReason(error.Cause()), path);
      return false;
    }
    parts.after[IndexOf(file)] = parts.before[IndexOf(file)];
  }
  return true;
}

void Effect(SeasonChange& change, SeasonFileId file, std::string text) {
  change.Build().effects.push_back({SeasonFileNameOf(file), std::move(text)});
}

void Effect(SeasonChange& change, std::string text) {
  change.Build().effects.push_back({"", std::move(text)});
}

void Refuse(SeasonChange& change, SeasonProblem problem) { change.Build().problem = std::move(problem); }

SeasonProblem SeasonFullProblem(std::string subject, const std::string& what, int count) {
  SeasonProblem problem =
      MakeProblem(SeasonRefusal::kSeasonFull, std::move(subject),
                  what + " " + std::to_string(count) + " events; the game shows at most " +
                      std::to_string(MAX_SEASON_EVENTS));
  problem.mustGo = count - MAX_SEASON_EVENTS;
  return problem;
}

std::optional<std::string> ReadOwnFile(FileSystem& files, const std::string& path,
                                       std::size_t maxBytes) {
  try {
    return files.ReadExistingFile(path, maxBytes);
  } catch (const CFileException& error) {
    if (error.Cause() == kCauseBadPath && !IsFolder(files, path.substr(0, path.rfind('\\'))))
      return std::nullopt;
    throw;
  }
}

std::string Quoted(const std::optional<std::string>& text) { return "\"" + text.value_or("") + "\""; }

std::string OneLineName(std::string text) {
  if (text.size() > 60) text = text.substr(0, 57) + "...";
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return text;
}

SeasonEvents EventsOfText(const PlanContext& c, const std::optional<std::string>& text) {
  const ProfileDocument document = ProfileDocument::FromBytes(c.files, "", text);
  return ReadSeasonEvents(document, c.files, c.game);
}

std::vector<int> EventsNaming(std::string_view text, const std::string& folder) {
  std::vector<int> numbers;
  const int count = std::min(EventCountOf(text), kMaxSeasonEventNumber);
  const auto spans = EventSpans(text, count);
  for (int number = 1; number <= count; ++number) {
    if (!spans[number - 1]) continue;
    const auto body = text.substr(spans[number - 1]->bodyBegin,
                                  spans[number - 1]->end - spans[number - 1]->bodyBegin);
    const std::optional<std::string> value = BodyValue(body, "trackDirectory");
    if (value && CutToValueLength(*value) == folder) numbers.push_back(number);
  }
  return numbers;
}

std::string EventLabel(int number, std::string_view body) {
  return "Event" + std::to_string(number) + " " + Quoted(BodyValue(body, "name")) + " (" +
         BodyValue(body, "trackDirectory").value_or("") + ")";
}

void DescribeOrder(SeasonChange& change, SeasonFileId file, std::string_view text,
                   const std::vector<int>& order) {
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (order[k] == static_cast<int>(k + 1)) continue;
    Effect(change, file,
           "move " + EventLabel(order[k], EventBody(text, order[k]).value_or("")) + " to Event" +
               std::to_string(k + 1));
  }
}

}  // namespace gridmoor
