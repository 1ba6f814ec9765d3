#include "engine/SeasonChange.h"

namespace gridmoor {

bool SeasonChange::Changes(SeasonFileId file) const {
  return m_parts.before[IndexOf(file)] != m_parts.after[IndexOf(file)];
}
const std::optional<std::string>& SeasonChange::After(SeasonFileId file) const {
  return m_parts.after[IndexOf(file)];
}
const std::optional<std::string>& SeasonChange::Before(SeasonFileId file) const {
  return m_parts.before[IndexOf(file)];
}

std::vector<std::string> SeasonChange::DeletedPaths() const {
  std::vector<std::string> paths = m_parts.deleteFolders;
  paths.insert(paths.end(), m_parts.deleteFiles.begin(), m_parts.deleteFiles.end());
  return paths;
}

SeasonProblem MakeProblem(SeasonRefusal refusal, std::string subject, std::string detail,
                          std::string path) {
  SeasonProblem problem;
  problem.refusal = refusal;
  problem.subject = std::move(subject);
  problem.detail = std::move(detail);
  problem.path = std::move(path);
  return problem;
}

}  // namespace gridmoor
