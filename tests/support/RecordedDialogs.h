#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/UserDialogs.h"

namespace jov::testing {

// Dialogs answered by the test: pickers return the path set beforehand (nullopt
// is Cancel), questions the answer set beforehand. Everything asked or shown is
// recorded so a test can check what the user would have seen.
class RecordedDialogs : public UserDialogs {
 public:
  std::optional<std::string> openAnswer;
  std::optional<std::string> saveAnswer;
  bool yesAnswer = false;

  std::vector<FileDialogOptions> openRequests;
  std::vector<FileDialogOptions> saveRequests;
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::vector<std::string> errors;

  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override {
    openRequests.push_back(options);
    return openAnswer;
  }
  std::optional<std::string> PickSaveFile(const FileDialogOptions& options) override {
    saveRequests.push_back(options);
    return saveAnswer;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    return yesAnswer;
  }
  void ShowFileError(const std::string& text) override { errors.push_back(text); }
  void ShowValueError(const std::string& text) override { errors.push_back(text); }
};

}  // namespace jov::testing
