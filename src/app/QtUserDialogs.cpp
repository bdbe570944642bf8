#include "QtUserDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "CChooseDlg.h"
#include "CMessageDlg.h"
#include "FileFilter.h"

namespace {

QString FromBytes(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void QtUserDialogs::ConfigureFileDialog(QFileDialog& dialog, const jov::FileDialogOptions& options, bool forSaving) {
  dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilter(ToQtFileFilter(options.filter));
  dialog.setDefaultSuffix(QString::fromLocal8Bit(options.defaultExtension));
  if (!options.title.empty()) dialog.setWindowTitle(QString::fromStdString(options.title));
  // A wildcard name such as "*.map" only repeats the filter; a real name is
  // offered in the name field.
  const QString initial = QString::fromLocal8Bit(options.initialName);
  if (!initial.isEmpty() && !initial.contains(u'*') && !initial.contains(u'?')) dialog.selectFile(initial);
}

std::optional<std::string> QtUserDialogs::PickFile(const jov::FileDialogOptions& options, bool forSaving) {
  QFileDialog dialog(m_parent);
  ConfigureFileDialog(dialog, options, forSaving);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

std::optional<std::string> QtUserDialogs::PickOpenFile(const jov::FileDialogOptions& options) { return PickFile(options, false); }

std::optional<std::string> QtUserDialogs::PickSaveFile(const jov::FileDialogOptions& options) { return PickFile(options, true); }

std::vector<std::string> QtUserDialogs::PickOpenFiles(const jov::FileDialogOptions& options) {
  QFileDialog dialog(m_parent);
  ConfigureFileDialog(dialog, options, false);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  std::vector<std::string> paths;
  if (dialog.exec() != QDialog::Accepted) return paths;
  for (const QString& file : dialog.selectedFiles()) paths.push_back(QFile::encodeName(file).toStdString());
  return paths;
}

void QtUserDialogs::ShowMessage(const std::string& text) {
  CMessageDlg dialog(m_parent);
  dialog.m_strText = FromBytes(text);
  dialog.exec();
}

bool QtUserDialogs::AskYesNo(const std::string& text) {
  CChooseDlg dialog(m_parent);
  dialog.m_strText = FromBytes(text);
  return dialog.exec() == QDialog::Accepted;
}

bool QtUserDialogs::AskYesNoDefaultNo(const std::string& text) {
  CChooseDlg dialog(m_parent);
  dialog.m_strText = FromBytes(text);
  dialog.MakeNoDefault();
  return dialog.exec() == QDialog::Accepted;
}

void QtUserDialogs::ShowFileError(const std::string& text) {
  // File errors name files by path: the system's encoding, not map bytes.
  QMessageBox::critical(m_parent, QStringLiteral("JOV"), QString::fromLocal8Bit(text));
}

void QtUserDialogs::ShowValueError(const std::string& text) {
  QMessageBox::warning(m_parent, QStringLiteral("JOV"), FromBytes(text));
}
