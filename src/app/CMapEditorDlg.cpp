#include "CMapEditorDlg.h"

#include <memory>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <cstdlib>
#include <ctime>

#include "MapPanel.h"
#include "ProgramIcon.h"
#include "ToolTipWrap.h"
#include "commands/EditorCommands.h"
#include "commands/MenuTable.h"
#include "check/MapKind.h"
#include "fields/FieldDefinition.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/FileError.h"
#include "platform/UserDialogs.h"

namespace {

constexpr int kRecentMapsKept = 10;

// Figures in status lines are grouped by thousands with commas, as in "1,024".
QString GroupedNumber(qulonglong n) { return QLocale(QLocale::English).toString(n); }

const char* FormatName(std::uint16_t version) {
  switch (version) {
    case jov::kVersionXbox: return "Halo Xbox";
    case jov::kVersionPc: return "Halo PC";
    case jov::kVersionCe: return "Halo CE";
    default: return "unknown format";
  }
}

}  // namespace

CMapEditorDlg::CMapEditorDlg(jov::UserDialogs& dialogs, QWidget* parent) : QMainWindow(parent), m_dialogs(dialogs) {
  setWindowTitle(QStringLiteral("JOV"));
  setWindowIcon(ProgramIcon());

  // Map 1 scans shorts 1 to 4, Map 2 shorts 1 to 15; each Direct Inject copies
  // from the other panel's selected tag.
  m_panel1 = new MapPanel(QStringLiteral("Map 1"), 5, m_mapFile1, this);
  m_panel2 = new MapPanel(QStringLiteral("Map 2"), 16, m_mapFile2, this);
  m_panel1->SetDirectInjectSource(m_panel2);
  m_panel2->SetDirectInjectSource(m_panel1);
  setTabOrder(m_panel1->LastInTabOrder(), m_panel2->FirstInTabOrder());

  m_splitPanels = new QSplitter(Qt::Vertical, this);
  m_splitPanels->setChildrenCollapsible(false);
  m_splitPanels->addWidget(m_panel1);
  m_splitPanels->addWidget(m_panel2);
  // On a small screen the panels keep the size their labels and buttons need,
  // and the window scrolls.
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(m_splitPanels);
  setCentralWidget(scroll);

  m_statusPanel1 = new QLabel(this);
  m_statusPanel2 = new QLabel(this);
  statusBar()->addPermanentWidget(m_statusPanel1);
  statusBar()->addPermanentWidget(m_statusPanel2);
  BuildMenuBar();
  BuildHistoryActions();
  m_watcher = new MapWatcher([this] { OnMapChangedOnDisk(); }, this);

  // The value table: both scanner values first, then each panel's fields.
  m_panel1->BindScannerValue(m_exchange);
  m_panel2->BindScannerValue(m_exchange);
  m_panel1->BindFields(m_exchange);
  m_panel2->BindFields(m_exchange);
  LoadControls();

  ConnectPanel(*m_panel1);
  ConnectPanel(*m_panel2);

  // Back and Forward work whatever has the focus (a tab bar, a button, a
  // field's editor): in the panel holding it, else the one last used.
  auto lastPanel = std::make_shared<MapPanel*>(m_panel1);
  connect(qApp, &QApplication::focusChanged, this, [this, lastPanel](QWidget*, QWidget* now) {
    for (MapPanel* panel : {m_panel1, m_panel2})
      if (now && panel->isAncestorOf(now)) *lastPanel = panel;
  });
  const auto trailAction = [this, lastPanel](QKeySequence keys, void (MapPanel::*step)()) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [lastPanel, step] { ((*lastPanel)->*step)(); });
    addAction(action);
  };
  trailAction(QKeySequence(Qt::ALT | Qt::Key_Left), &MapPanel::GoBack);
  trailAction(QKeySequence(Qt::ALT | Qt::Key_Right), &MapPanel::GoForward);

  // The scanner picks its results tree colours at random.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // Never larger than the screen it opens on (a 1024x700 laptop included):
  // the panels share what there is.
  QSize size(1280, 800);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() * 0.95);
  resize(size);
  qApp->installEventFilter(new ToolTipWrapper(this));
  Refresh();
}

CMapEditorDlg::~CMapEditorDlg() {
  // ~QWidget closes the window, which moves the focus and fires focusChanged
  // while this object is already only a QWidget: the Back/Forward tracker must
  // not hear it.
  disconnect(qApp, nullptr, this, nullptr);
}

void CMapEditorDlg::BuildMenuBar() {
  QMenuBar* bar = menuBar();
  std::vector<std::pair<QString, QMenu*>> menus;
  const auto menuOf = [&](const QString& title) {
    for (const auto& [name, menu] : menus)
      if (name == title) return menu;
    menus.emplace_back(title, bar->addMenu(title));
    return menus.back().second;
  };
  for (const MenuEntry& entry : MenuTable()) {
    QMenu* menu = menuOf(entry.menu);
    switch (entry.kind) {
      case MenuEntry::Kind::Separator: menu->addSeparator(); continue;
      case MenuEntry::Kind::RecentMaps: m_recentMenu = menu->addMenu(entry.text); continue;
      case MenuEntry::Kind::Command: break;
    }
    QAction* action = menu->addAction(entry.text);
    if (!entry.shortcut.isEmpty()) action->setShortcut(entry.shortcut);
    if (!entry.toolTip.isEmpty()) action->setToolTip(entry.toolTip);
    const auto command = entry.command;
    connect(action, &QAction::triggered, this, [this, command] { RunCommand([&] { command(*this); }); });
    if (const int n = PanelNeeded(entry.needs)) {
      m_needsMap.emplace_back(action, &Panel(n));
      if (entry.writes) m_writing.emplace_back(action, &Panel(n));
    }
  }
  m_editMenu = menuOf(QStringLiteral("&Edit"));
  m_toolsMenu = menuOf(QStringLiteral("&Tools"));
  RebuildRecentMenu();
}

QAction* CMapEditorDlg::FindAction(const QString& text) const {
  for (QAction* action : findChildren<QAction*>()) {
    QString shown = action->text();
    shown.remove(u'&');
    if (shown == text) return action;
  }
  return nullptr;
}

void CMapEditorDlg::ConnectPanel(MapPanel& panel) {
  for (const PanelEntry& entry : PanelTable()) {
    const auto command = entry.command;
    panel.OnTrigger(entry.trigger, [this, &panel, command] { RunCommand([&] { command(*this, panel); }); });
  }
  // The Fields view's edits: one plan, the executor, a re-read.
  panel.SetFieldWriter([this, &panel](const std::string& path, const QString& text) {
    return commands::SetField(*this, panel, path, text);
  });
  panel.SetFieldByteWriter([this, &panel](std::uint32_t offset, const std::vector<unsigned char>& bytes) {
    return commands::SetFieldBytes(*this, panel, offset, bytes);
  });
  panel.SetFieldBytesShower([this, &panel](std::uint32_t offset, std::uint32_t) {
    RunCommand([&] { commands::OpenTagBytesAt(*this, panel, offset); });
  });
  connect(&panel, &MapPanel::FileDropped, this,
          [this, &panel](const QString& path) { OpenMapPath(panel, path); });
}

void CMapEditorDlg::RunCommand(const std::function<void()>& command) {
  ++m_commandDepth;
  try {
    command();
  } catch (const jov::FileError& error) {
    m_dialogs.ShowFileError(error.what());
  } catch (const jov::Refused& refusal) {
    m_dialogs.ShowMessage(refusal.what());
  }
  if (--m_commandDepth > 0) return;
  // What a command wrote is shown in every view of that map, and what it
  // wrote can be undone from here.
  ++m_commandDepth;
  try {
    ReloadChangedPanels();
  } catch (const jov::FileError& error) {
    m_dialogs.ShowFileError(error.what());
  } catch (const jov::Refused& refusal) {
    m_dialogs.ShowMessage(refusal.what());
  }
  --m_commandDepth;
  Refresh();
  UpdateHistoryActions();
}

bool CMapEditorDlg::SaveControls() { return m_exchange.Save(m_dialogs); }

void CMapEditorDlg::LoadControls() { m_exchange.Load(); }

void CMapEditorDlg::KeepPlace(MapPanel& panel, const std::function<void()>& command) {
  const MapPanel::Place place = panel.SavePlace();
  const bool hadResults = panel.HasScanResults();
  const auto restore = [&] {
    panel.RestorePlace(place);
    if (!place.tag || panel.SelectedTag() != place.tag) return;
    panel.ShowTagRecord(panel.Map().GetTagEntry(*place.tag));
    LoadControls();
    if (hadResults) commands::Rescan(panel);
  };
  try {
    command();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

bool CMapEditorDlg::OpenMapPath(MapPanel& panel, const QString& path) {
  const int opensBefore = m_opens;
  RunCommand([&] {
    if (!SaveControls()) return;
    const std::string file = QFile::encodeName(path).toStdString();
    // A file that is no map is refused before the panel lets go of its map; a
    // compressed Xbox map is offered for decompression instead.
    jov::MapVerdict verdict;
    verdict.kind = jov::MapKind::Map;
    try {
      verdict = jov::JudgeMapFile(file);
    } catch (const jov::FileError&) {
      // Opening it says why it cannot be read.
    }
    if (verdict.kind == jov::MapKind::NotAMap)
      throw jov::Refused(jov::FillText(jov::kNotAMapText, {QFileInfo(path).fileName().toStdString(), verdict.reason}));
    if (verdict.kind == jov::MapKind::ResourceMap)
      throw jov::Refused(jov::FillText(jov::kResourceMapText, {QFileInfo(path).fileName().toStdString(), verdict.reason}));
    if (verdict.kind == jov::MapKind::CompressedXbox) {
      OfferDecompression(panel, file);
      return;
    }
    if (panel.Map().m_bOpen) {
      panel.Map().Close(panel.TagTree());
      ShowMapClosed(panel);
    }
    try {
      panel.Map().OpenPath(panel.TagTree(), file);
    } catch (const jov::FileError&) {
      if (!OfferDecompression(panel, file)) throw;
      return;
    }
    panel.SetCaption(panel.Map().GetHeaderInfo().m_strNickname);
    LoadControls();
    AfterOpen(panel);
  });
  // Opened here, or its decompressed copy opened in its place.
  return m_opens != opensBefore && panel.Map().m_bOpen;
}

void CMapEditorDlg::AfterOpen(MapPanel& panel) {
  ++m_opens;
  panel.ForgetReferences();
  panel.ShowTagViews(std::nullopt);
  AddRecent(QFileInfo(QFile::decodeName(panel.Map().m_strPath.c_str())).absoluteFilePath());
  panel.ApplyFilter();
  if (panel.Map().m_bReadOnly)
    ShowCommandStatus(QStringLiteral("%1 is open read-only: you may not write to it.").arg(panel.FileName()));
  else
    ShowCommandStatus(QStringLiteral("Opened %1").arg(panel.FileName()));
  // A map a stopped command left half-written is offered back as it was, then
  // the map is checked.
  if (!panel.Map().m_bReadOnly) OfferRecovery(panel);
  CheckOpenedMap(panel, true);
}

void CMapEditorDlg::OpenArguments(const QStringList& paths) {
  MapPanel* panels[] = {m_panel1, m_panel2};
  for (int i = 0; i < paths.size() && i < 2; ++i) OpenMapPath(*panels[i], paths[i]);
  if (paths.size() > 2) {
    QStringList rest = paths.mid(2);
    m_dialogs.ShowMessage(QStringLiteral("Only two maps can be open at once; these were not opened: %1")
                              .arg(rest.join(QStringLiteral(", ")))
                              .toStdString());
  }
}

void CMapEditorDlg::ShowMapClosed(MapPanel& panel) {
  panel.ShowMapClosed();
  LoadControls();
}

void CMapEditorDlg::OnOpenRecent(const QString& path) {
  if (!QFileInfo::exists(path)) {
    m_recentMaps.removeAll(path);
    if (m_settings) m_settings->setValue(QStringLiteral("recentMaps"), m_recentMaps);
    RebuildRecentMenu();
    m_dialogs.ShowMessage(
        QStringLiteral("%1 no longer exists; it was removed from the recent maps.").arg(path).toStdString());
    return;
  }
  // Into the first panel without a map, else Map 1.
  MapPanel& panel = !m_panel1->Map().m_bOpen || m_panel2->Map().m_bOpen ? *m_panel1 : *m_panel2;
  OpenMapPath(panel, path);
}

void CMapEditorDlg::AddRecent(const QString& path) {
  m_recentMaps.removeAll(path);
  m_recentMaps.prepend(path);
  while (m_recentMaps.size() > kRecentMapsKept) m_recentMaps.removeLast();
  if (m_settings) m_settings->setValue(QStringLiteral("recentMaps"), m_recentMaps);
  RebuildRecentMenu();
}

void CMapEditorDlg::RebuildRecentMenu() {
  m_recentMenu->clear();
  for (int i = 0; i < m_recentMaps.size(); ++i) {
    const QString path = m_recentMaps[i];
    // "&1" to "&9", then "1&0": each line has its access key.
    const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
    QAction* action = m_recentMenu->addAction(QStringLiteral("%1 %2").arg(number, path));
    action->setData(path);
    connect(action, &QAction::triggered, this, [this, path] { RunCommand([&] { OnOpenRecent(path); }); });
  }
  m_recentMenu->setEnabled(!m_recentMaps.isEmpty());
}

void CMapEditorDlg::UseSettings(std::unique_ptr<QSettings> settings) {
  m_settings = std::move(settings);
  m_recentMaps = m_settings->value(QStringLiteral("recentMaps")).toStringList();
  while (m_recentMaps.size() > kRecentMapsKept) m_recentMaps.removeLast();
  RebuildRecentMenu();
  RestoreWindowState();
  const QString definitions = m_settings->value(QStringLiteral("definitions/folder")).toString();
  if (!definitions.isEmpty()) SetDefinitionsFolder(definitions);
  const QString resources = m_settings->value(QStringLiteral("resources/folder")).toString();
  if (!resources.isEmpty()) SetResourceFolder(resources);
}

void CMapEditorDlg::SetResourceFolder(const QString& folder) {
  m_resourceFolder = folder;
  if (m_settings) m_settings->setValue(QStringLiteral("resources/folder"), folder);
  for (jov::CMapFile* map : {&m_mapFile1, &m_mapFile2}) map->SetResourceFolder(QFile::encodeName(folder).toStdString());
}

void CMapEditorDlg::RestoreWindowState() {
  const QByteArray geometry = m_settings->value(QStringLiteral("window/geometry")).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  m_splitPanels->restoreState(m_settings->value(QStringLiteral("window/panels")).toByteArray());
  m_panel1->RestoreColumnsState(m_settings->value(QStringLiteral("window/columns1")).toByteArray());
  m_panel2->RestoreColumnsState(m_settings->value(QStringLiteral("window/columns2")).toByteArray());
  m_panel1->RestoreTagViewsState(m_settings->value(QStringLiteral("window/tagviews1")).toList());
  m_panel2->RestoreTagViewsState(m_settings->value(QStringLiteral("window/tagviews2")).toList());
}

void CMapEditorDlg::SaveWindowState() {
  if (!m_settings) return;
  m_settings->setValue(QStringLiteral("window/geometry"), saveGeometry());
  m_settings->setValue(QStringLiteral("window/panels"), m_splitPanels->saveState());
  m_settings->setValue(QStringLiteral("window/columns1"), m_panel1->ColumnsState());
  m_settings->setValue(QStringLiteral("window/columns2"), m_panel2->ColumnsState());
  m_settings->setValue(QStringLiteral("window/tagviews1"), m_panel1->TagViewsState());
  m_settings->setValue(QStringLiteral("window/tagviews2"), m_panel2->TagViewsState());
  m_settings->sync();
}

void CMapEditorDlg::closeEvent(QCloseEvent* event) {
  SaveWindowState();
  QMainWindow::closeEvent(event);
}

MapPanel* CMapEditorDlg::FocusedPanel() const {
  QWidget* focus = QApplication::focusWidget();
  if (!focus) focus = focusWidget();
  for (MapPanel* panel : {m_panel1, m_panel2})
    if (focus && (focus == panel || panel->isAncestorOf(focus))) return panel;
  return nullptr;
}

QString CMapEditorDlg::PanelStatus(const MapPanel& panel) const {
  const jov::CMapFile& map = panel.Map();
  if (!map.m_bOpen) return QStringLiteral("%1: no map").arg(panel.title());
  QString text = QStringLiteral("%1: %2, %3, %4 tags")
                     .arg(panel.title(), panel.FileName(), QString::fromLatin1(FormatName(map.m_nVersion)),
                          GroupedNumber(map.m_nTagCount));
  if (map.m_bReadOnly) text += QStringLiteral(", read-only");
  if (const QString check = CheckStatus(panel); !check.isEmpty()) text += QStringLiteral(", ") + check;
  return text;
}

QString CMapEditorDlg::CommandStatus() const { return m_commandStatus; }

void CMapEditorDlg::ShowCommandStatus(const QString& text) {
  m_commandStatus = text;
  statusBar()->showMessage(text);
}

void CMapEditorDlg::Refresh() {
  QStringList names;
  for (const MapPanel* panel : {m_panel1, m_panel2})
    if (panel->Map().m_bOpen) names << panel->FileName();
  setWindowTitle(names.isEmpty() ? QStringLiteral("JOV") : QStringLiteral("JOV - ") + names.join(QStringLiteral(" | ")));
  if (m_watcher) {
    QStringList paths;
    for (const MapPanel* panel : {m_panel1, m_panel2})
      if (panel->Map().m_bOpen) paths << QString::fromStdString(panel->Map().m_strPath);
    m_watcher->Watch(paths);
  }
  m_statusPanel1->setText(PanelStatus(*m_panel1));
  m_statusPanel2->setText(PanelStatus(*m_panel2));

  for (auto& [action, panel] : m_needsMap) action->setEnabled(panel->Map().m_bOpen);
  for (MapPanel* panel : {m_panel1, m_panel2}) {
    const bool open = panel->Map().m_bOpen;
    const bool tag = open && panel->SelectedTag().has_value();
    const bool otherTag = Other(*panel).Map().m_bOpen && Other(*panel).SelectedTag().has_value();
    panel->ShowEnabled(open, tag, otherTag);
  }
  ShowWritable();
}

int CMapEditorDlg::RunModal(QDialog& dialog) { return m_runModal ? m_runModal(dialog) : dialog.exec(); }

void CMapEditorDlg::SetDefinitionsFolder(const QString& folder) {
  m_definitionsFolder = folder;
  if (m_settings) m_settings->setValue(QStringLiteral("definitions/folder"), folder);
  auto definitions =
      std::make_shared<const jov::DefinitionSet>(jov::LoadDefinitions(QFile::encodeName(folder).toStdString()));
  // A skipped file is named once, with its line; the rest of the folder is used.
  std::string skipped;
  for (const std::string& message : definitions->Messages()) skipped += (skipped.empty() ? "" : "\n") + message;
  if (!skipped.empty()) m_dialogs.ShowMessage(skipped);
  for (MapPanel* panel : {m_panel1, m_panel2}) panel->SetDefinitions(definitions);
}
