#pragma once
// A season host for tests: answers each kind of question from a script (No unless told), and
// records the plan, the questions and the outcome in order.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonCommand.h"

namespace gridmoor::testing {

// What a service's running-game query answers in a test: the game's own program, or nothing.
inline std::optional<std::string> Running(bool gameRuns) {
  if (gameRuns) return std::string("gpl.exe");
  return std::nullopt;
}

class ScriptedSeasonHost : public SeasonHost {
 public:
  // Every question Yes (as --yes --force would answer), or the answers given by kind.
  static ScriptedSeasonHost AllYes() {
    ScriptedSeasonHost host;
    for (const auto kind : {SeasonQuestionKind::kGameRunning, SeasonQuestionKind::kClearReadOnly,
                            SeasonQuestionKind::kChangedSince, SeasonQuestionKind::kOverwrite,
                            SeasonQuestionKind::kConfirm})
      host.answers[kind] = true;
    return host;
  }

  void ShowPlan(const std::vector<SeasonEffect>& effects, bool) override { plan = effects; }
  bool Ask(const SeasonQuestion& question, bool) override {
    asked.push_back(question);
    const auto found = answers.find(question.kind);
    return found != answers.end() && found->second;
  }
  void ShowOutcome(const SeasonOutcome& shown) override { outcome = shown; }

  std::map<SeasonQuestionKind, bool> answers;
  std::vector<SeasonEffect> plan;
  std::vector<SeasonQuestion> asked;
  SeasonOutcome outcome;
};

}  // namespace gridmoor::testing
