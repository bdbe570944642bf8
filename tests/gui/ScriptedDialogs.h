#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/UserDialogs.h"

// UserDialogs that never block: pickers and questions take their answers from
// queues filled by the test, and every message is recorded. A question asked
// with no answer queued is recorded as unexpected and answered with cancel / no.
class ScriptedDialogs : public jov::UserDialogs {
 public:
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<bool> yesNoAnswers;

  std::vector<jov::FileDialogOptions> openRequests;
  std::vector<jov::FileDialogOptions> saveRequests;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  // The questions asked with "No" as the default answer (also in questions).
  std::vector<std::string> defaultNoQuestions;
  std::vector<std::string> fileErrors;
  std::vector<std::string> valueErrors;
  std::vector<std::string> unexpected;

  std::optional<std::string> PickOpenFile(const jov::FileDialogOptions& options) override {
    openRequests.push_back(options);
    return Next(openAnswers, "open file picker");
  }
  std::optional<std::string> PickSaveFile(const jov::FileDialogOptions& options) override {
    saveRequests.push_back(options);
    return Next(saveAnswers, "save file picker");
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    if (yesNoAnswers.empty()) {
      unexpected.push_back("question: " + text);
      return false;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }
  bool AskYesNoDefaultNo(const std::string& text) override {
    defaultNoQuestions.push_back(text);
    return AskYesNo(text);
  }
  void ShowFileError(const std::string& text) override { fileErrors.push_back(text); }
  void ShowValueError(const std::string& text) override { valueErrors.push_back(text); }

  // Nothing shown, nothing asked, nothing left unanswered.
  bool Quiet() const {
    return messages.empty() && fileErrors.empty() && valueErrors.empty() && unexpected.empty();
  }

 private:
  std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers, const char* what) {
    if (answers.empty()) {
      unexpected.push_back(what);
      return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
