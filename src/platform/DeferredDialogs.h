#pragma once
#include <string>
#include <vector>

#include "platform/UserDialogs.h"

namespace jov {

// The dialogs a command sees while it is being planned: pickers and questions
// go to the user at once (the command needs their answers), outcome messages
// ("Inject completed.") wait until the plan has been written, and are dropped
// when it was refused.
class DeferredDialogs final : public UserDialogs {
 public:
  explicit DeferredDialogs(UserDialogs& inner) : m_inner(inner) {}

  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override {
    return m_inner.PickOpenFile(options);
  }
  std::optional<std::string> PickSaveFile(const FileDialogOptions& options) override {
    return m_inner.PickSaveFile(options);
  }
  void ShowMessage(const std::string& text) override { m_messages.push_back(text); }
  bool AskYesNo(const std::string& text) override { return m_inner.AskYesNo(text); }
  bool AskYesNoDefaultNo(const std::string& text) override { return m_inner.AskYesNoDefaultNo(text); }
  void ShowFileError(const std::string& text) override { m_inner.ShowFileError(text); }
  void ShowValueError(const std::string& text) override { m_inner.ShowValueError(text); }

  bool HoldsMessages() const { return !m_messages.empty(); }
  void Flush() {
    for (const std::string& text : m_messages) m_inner.ShowMessage(text);
    m_messages.clear();
  }
  void Drop() { m_messages.clear(); }

 private:
  UserDialogs& m_inner;
  std::vector<std::string> m_messages;
};

}  // namespace jov
