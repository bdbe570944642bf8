#pragma once
#include "platform/UserDialogs.h"

class QFileDialog;
class QWidget;

// The editor's answers to the core's questions: the toolkit's file dialogs, the
// "Message" and "Choose" dialogs, and the toolkit's boxes for file errors and for
// values that do not parse.
class QtUserDialogs : public jov::UserDialogs {
 public:
  explicit QtUserDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
  void SetParent(QWidget* parent) { m_parent = parent; }

  std::optional<std::string> PickOpenFile(const jov::FileDialogOptions& options) override;
  std::optional<std::string> PickSaveFile(const jov::FileDialogOptions& options) override;
  std::vector<std::string> PickOpenFiles(const jov::FileDialogOptions& options) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool AskYesNoDefaultNo(const std::string& text) override;
  void ShowFileError(const std::string& text) override;
  void ShowValueError(const std::string& text) override;

  // The filter, default extension, initial name and existing-files rule of options.
  static void ConfigureFileDialog(QFileDialog& dialog, const jov::FileDialogOptions& options, bool forSaving);

 private:
  std::optional<std::string> PickFile(const jov::FileDialogOptions& options, bool forSaving);

  QWidget* m_parent;
};
