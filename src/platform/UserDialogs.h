#pragma once
#include <optional>
#include <string>
#include <vector>

namespace jov {

// What a file picker is asked to offer. The filter is in the toolkit's form,
// "Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||"; front ends translate it.
struct FileDialogOptions {
  std::string filter;
  std::string defaultExtension;
  std::string initialName;
  bool mustExist = false;
  std::string title{};  // the dialog's title; empty: the toolkit's own
};

// Everything a core operation may ask the user mid-way: a file to pick, an outcome
// to read (the "Message" dialog), a yes/no question (the "Choose" dialog).
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  virtual std::optional<std::string> PickOpenFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> PickSaveFile(const FileDialogOptions& options) = 0;
  // Several existing files at once; none when cancelled. Front ends without a
  // picker of several offer one file.
  virtual std::vector<std::string> PickOpenFiles(const FileDialogOptions& options) {
    auto one = PickOpenFile(options);
    return one ? std::vector<std::string>{*one} : std::vector<std::string>{};
  }
  virtual void ShowMessage(const std::string& text) = 0;
  // True only for "Yes".
  virtual bool AskYesNo(const std::string& text) = 0;
  // The same question with "No" as the default answer, before a risky write.
  virtual bool AskYesNoDefaultNo(const std::string& text) { return AskYesNo(text); }
  // The toolkit's own boxes: a file error (stop icon), and a field whose value
  // does not parse ("Please enter an integer.", exclamation icon).
  virtual void ShowFileError(const std::string& text) = 0;
  virtual void ShowValueError(const std::string& text) = 0;
};

}  // namespace jov
