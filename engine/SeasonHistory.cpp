#include "engine/SeasonHistory.h"

namespace gridmoor {

bool KeepSeasonStep(FileSystem&, const std::string&, const std::string&) { return true; }

void DropUnchangedStep(FileSystem&, const std::string&) {}

std::vector<HistoryStep> ListSeasonSteps(FileSystem&, const std::string&) { return {}; }

}  // namespace gridmoor
