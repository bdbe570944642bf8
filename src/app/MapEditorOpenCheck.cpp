// Every map the window opens or re-reads is checked: its errors and warnings are
// counted in the status bar, a map with an error is kept read-only (nothing is
// written into a layout that cannot be trusted), and a compressed Xbox map is
// offered to be decompressed into a new file beside it.
#include <QDir>
#include <QFileInfo>

#include "CMapEditorDlg.h"
#include "MapPanel.h"
#include "check/MapCheck.h"
#include "check/XboxCompression.h"
#include "platform/FileError.h"
#include "platform/UserDialogs.h"

namespace {

QString Plural(int n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

// NAME.decompressed.map beside the map, or NAME.decompressed-2.map, ... when taken.
QString DecompressedPath(const QString& path) {
  const QFileInfo info(path);
  const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral(".decompressed"));
  QString candidate = stem + QStringLiteral(".map");
  for (int n = 2; QFileInfo::exists(candidate); ++n) candidate = stem + QStringLiteral("-%1.map").arg(n);
  return candidate;
}

}  // namespace

bool CMapEditorDlg::OfferDecompression(MapPanel& panel, const std::string& file) {
  jov::CheckReport report;
  try {
    report = jov::CheckMapFile(file);
  } catch (const jov::FileError&) {
    return false;
  }
  if (!report.compressedXbox) return false;
  const QString path = QFile::decodeName(file.c_str());
  const QString target = DecompressedPath(path);
  const QString question = QStringLiteral("%1 is a compressed Xbox map. Decompress it into %2 beside it and open that?")
                               .arg(QFileInfo(path).fileName(), QFileInfo(target).fileName());
  if (m_dialogs.AskYesNo(question.toStdString())) {
    jov::DecompressXboxMap(file, QFile::encodeName(target).toStdString());
    OpenMapPath(panel, target);
  }
  return true;
}

CMapEditorDlg::PanelCheck& CMapEditorDlg::CheckOf(const MapPanel& panel) {
  return &panel == m_panel1 ? m_check1 : m_check2;
}

QString CMapEditorDlg::CheckStatus(const MapPanel& panel) const {
  const PanelCheck& check = &panel == m_panel1 ? m_check1 : m_check2;
  if (!panel.Map().m_bOpen || (check.errors == 0 && check.warnings == 0)) return QString();
  return Plural(check.errors, "error", "errors") + QStringLiteral(", ") + Plural(check.warnings, "warning", "warnings");
}

void CMapEditorDlg::CheckOpenedMap(MapPanel& panel, bool justOpened) {
  PanelCheck& check = CheckOf(panel);
  check = {};
  jov::CMapFile& map = panel.Map();
  if (!map.m_bOpen) return;
  const jov::CheckReport report = jov::CheckMap(map);
  check.errors = report.errors;
  check.warnings = report.warnings;
  if (report.HasErrors()) {
    map.m_bReadOnly = true;
    for (const jov::Finding& f : report.findings)
      if (f.severity == jov::Severity::Error) {
        check.firstError = QString::fromLatin1((f.where + ": " + f.what).c_str());
        break;
      }
  }
  if (!justOpened) return;

  const QString path = QFile::decodeName(map.m_strPath.c_str());
  if (report.compressedXbox) {
    OfferDecompression(panel, map.m_strPath);
    return;
  }
  if (report.HasErrors())
    m_dialogs.ShowMessage(QStringLiteral("%1 has %2 (Tools > Check %3 lists them). It is open read-only, so that "
                                         "nothing is written into a layout that cannot be trusted.\n\nThe first: %4")
                              .arg(QFileInfo(path).fileName(), Plural(report.errors, "error", "errors"),
                                   panel.title(), check.firstError)
                              .toStdString());
}
