#pragma once
#include <memory>
#include <string>

#include "platform/BinaryFile.h"
#include "platform/UserDialogs.h"
#include "tools/GuerillaConvert.h"

// The "Guerilla Tag Converter" with its two files and its fixed work buffer.
namespace jov {

inline constexpr const char* kGuerillaTitle = "Guerilla Tag Converter";
inline constexpr const char* kGuerillaGroup = "Data";
inline constexpr const char* kGuerillaInputLabel = "Guerilla Tag";
inline constexpr const char* kGuerillaOutputLabel = "Xbox Tag";
inline constexpr const char* kGuerillaFixShorts = "Fix &Shorts";
inline constexpr const char* kGuerillaBrowse = "...";
inline constexpr const char* kGuerillaConvertButton = "&Convert";
inline constexpr const char* kGuerillaCloseButton = "Close";
inline const FileDialogOptions kGuerillaInputDialog{"Guerilla Tag (*.*)|*.*||", "*", "", true};
inline const FileDialogOptions kGuerillaOutputDialog{"Binary Metadata (*.meta)|*.meta||", "meta", "*.meta", false};

inline constexpr const char* kGuerillaSameFile =
    "The Xbox tag cannot be written over the Guerilla tag it is converted from.";

class GuerillaConverter {
 public:
  GuerillaConverter();

  // Opens the chosen Guerilla tag for reading in place of the earlier one. On a
  // file error the converter is left without an input.
  void OpenInput(const std::string& path);
  // Chooses the output in place of the earlier one; the file is not touched
  // until a conversion succeeds. Refused when it is the open input.
  void CreateOutput(const std::string& path);

  const std::string& InputPath() const { return m_strInputPath; }
  const std::string& OutputPath() const { return m_strOutputPath; }
  bool HasInput() const { return m_input.IsOpen(); }
  bool HasOutput() const { return !m_strOutputPath.empty(); }

  // Refused unless the open input's length is within 64 .. 1,000,000 bytes; a
  // file error when no input is open.
  void CheckInput() const;

  // "&Convert": reads the whole input from its start (every time, so the same
  // input converts to the same output however often it is pressed), converts it
  // in the work buffer and makes the output exactly the input's length minus 64
  // bytes, written to a temporary file that replaces the output when whole. A
  // missing file is a file error and an input of the wrong size is Refused, both
  // before anything is written. The input is not closed.
  void Convert(const GuerillaOptions& options);

 private:
  BinaryFile m_input;
  std::string m_strInputPath;
  std::string m_strOutputPath;
  std::unique_ptr<unsigned char[]> m_buffer;  // kGuerillaMaxInput bytes, allocated once
};

}  // namespace jov
