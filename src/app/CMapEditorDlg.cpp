#include "CMapEditorDlg.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <cstdlib>
#include <ctime>

#include "CAboutDlg.h"
#include "MapEditorCompareCommands.h"
#include "MapPanel.h"
#include "ProgramIcon.h"
#include "QtTreeView.h"
#include "SortedComboBox.h"
#include "map/Refused.h"
#include "platform/FileError.h"
#include "platform/UserDialogs.h"

namespace {

constexpr int kRecentMapsKept = 10;
const char* const kReadOnlyRefusal = "This map is open read-only.";

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
  setTabOrder(m_panel1->m_treeScanResults, m_panel2->m_editFilter);

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

  // The scanner picks its results tree colours at random.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  resize(1280, 800);
  Refresh();
}

CMapEditorDlg::~CMapEditorDlg() = default;

void CMapEditorDlg::BuildMenuBar() {
  QMenuBar* bar = menuBar();
  MapPanel& p1 = *m_panel1;
  MapPanel& p2 = *m_panel2;
  const auto needsMap = [this](QAction* action, MapPanel& panel) {
    m_needsMap.emplace_back(action, &panel);
    return action;
  };

  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  AddCommand(file, QStringLiteral("&Open Map 1"), [this, &p1] { OnOpenMap(p1); }, QKeySequence(Qt::CTRL | Qt::Key_O));
  needsMap(AddCommand(file, QStringLiteral("&Close Map 1"), [this, &p1] { OnCloseMap(p1); },
                      QKeySequence(Qt::CTRL | Qt::Key_W)),
           p1);
  file->addSeparator();
  AddCommand(file, QStringLiteral("O&pen Map 2"), [this, &p2] { OnOpenMap(p2); },
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  needsMap(AddCommand(file, QStringLiteral("C&lose Map 2"), [this, &p2] { OnCloseMap(p2); },
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)),
           p2);
  file->addSeparator();
  m_recentMenu = file->addMenu(QStringLiteral("&Recent Maps"));
  file->addSeparator();
  AddCommand(file, QStringLiteral("E&xit"), [this] { OnExit(); }, QKeySequence(Qt::CTRL | Qt::Key_Q));

  m_editMenu = bar->addMenu(QStringLiteral("&Edit"));
  AddCommand(m_editMenu, QStringLiteral("&Find"), [this] { OnFind(); }, QKeySequence(Qt::CTRL | Qt::Key_F));

  QMenu* tools = m_toolsMenu = bar->addMenu(QStringLiteral("&Tools"));
  needsMap(AddCommand(tools, QStringLiteral("Map &1 Info"), [this, &p1] { OnMapInfo(p1); }), p1);
  needsMap(AddCommand(tools, QStringLiteral("Map &2 Info"), [this, &p2] { OnMapInfo(p2); }), p2);
  tools->addSeparator();
  AddCommand(tools, QStringLiteral("&Hex Float Calculator"), [this] { OnHexFloatCalculator(); });
  AddCommand(tools, QStringLiteral("&Reflexive Calculator"), [this] { OnReflexiveCalculator(); });
  tools->addSeparator();
  AddCommand(tools, QStringLiteral("&Guerilla Tag Converter"), [this] { OnGuerillaTagConverter(); });
  tools->addSeparator();
  needsMap(AddCommand(tools, QStringLiteral("&Insert Data at End of Map 1"), [this, &p1] { OnInsertDataAtEnd(p1); }),
           p1);
  needsMap(AddCommand(tools, QStringLiteral("I&nsert Data at End of Map 2"), [this, &p2] { OnInsertDataAtEnd(p2); }),
           p2);
  tools->addSeparator();
  needsMap(AddCommand(tools, QStringLiteral("&Add Tag to Map 1"), [this, &p1] { OnAddTag(p1); }), p1);
  needsMap(AddCommand(tools, QStringLiteral("A&dd Tag to Map 2"), [this, &p2] { OnAddTag(p2); }), p2);
  tools->addSeparator();
  AddCommand(tools, QStringLiteral("&Compare Map 1 with Map 2"), [this] { CompareMapsCommand(*this); });
  needsMap(AddCommand(tools, QStringLiteral("A&pply Patch to Map 1..."), [this, &p1] { ApplyPatchCommand(*this, p1); }), p1);
  needsMap(AddCommand(tools, QStringLiteral("Appl&y Patch to Map 2..."), [this, &p2] { ApplyPatchCommand(*this, p2); }), p2);
  AddIntegrityCommands(tools);

  // A Linux desktop has no system menu to extend: the About box lives here.
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  AddCommand(help, QStringLiteral("&About JOV..."), [this] { OnAbout(); });
  RebuildRecentMenu();
}

QAction* CMapEditorDlg::AddCommand(QMenu* menu, const QString& text, std::function<void()> command,
                                   const QKeySequence& shortcut) {
  QAction* action = menu->addAction(text);
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, [this, command = std::move(command)] { RunCommand(command); });
  return action;
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
  const auto route = [this, &panel](QPushButton* button, void (CMapEditorDlg::*handler)(MapPanel&)) {
    connect(button, &QPushButton::clicked, this, [this, &panel, handler] { RunCommand([&] { (this->*handler)(panel); }); });
  };
  route(panel.m_buttonSwap, &CMapEditorDlg::OnSwap);
  route(panel.m_buttonSaveChanges, &CMapEditorDlg::OnSaveChanges);
  route(panel.m_buttonCopy, &CMapEditorDlg::OnCopy);
  route(panel.m_buttonSaveMetadata, &CMapEditorDlg::OnSaveMetadata);
  route(panel.m_buttonInject, &CMapEditorDlg::OnInject);
  route(panel.m_buttonDirectInject, &CMapEditorDlg::OnDirectInject);
  route(panel.m_buttonScanMetadata, &CMapEditorDlg::OnScanMetadata);
  route(panel.m_buttonClearScanner, &CMapEditorDlg::OnClearScanner);
  route(panel.m_buttonUpdateItem, &CMapEditorDlg::OnUpdateItem);
  connect(panel.m_buttonRevert, &QPushButton::clicked, this, [this] { RunCommand([this] { OnRevert(); }); });

  connect(panel.m_treeTags, &QTreeWidget::itemSelectionChanged, this,
          [this, &panel] { RunCommand([&] { OnTagSelected(panel); }); });
  connect(panel.m_treeTags, &QTreeWidget::itemDoubleClicked, this,
          [this, &panel] { RunCommand([&] { OnTagDoubleClicked(panel); }); });
  connect(panel.m_treeScanResults, &QTreeWidget::itemSelectionChanged, this,
          [this, &panel] { RunCommand([&] { OnScanResultSelected(panel); }); });
  connect(panel.m_treeScanResults, &QTreeWidget::itemDoubleClicked, this,
          [this, &panel] { RunCommand([&] { OnScanResultActivated(panel); }); });
  connect(&panel, &MapPanel::FileDropped, this,
          [this, &panel](const QString& path) { OpenMapPath(panel, path); });

  // The tag tree's context menu: the same commands as the fields and buttons,
  // for the tag under the mouse.
  auto* menu = new QMenu(panel.m_treeTags);
  QAction* copyName = menu->addAction(QStringLiteral("Copy &Name"));
  QAction* copyIdentifier = menu->addAction(QStringLiteral("Copy &Identifier"));
  menu->addSeparator();
  QAction* saveMetadata = menu->addAction(QStringLiteral("&Save Metadata..."));
  QAction* hexEditor = menu->addAction(QStringLiteral("Open in &Hex Editor"));
  connect(copyName, &QAction::triggered, this, [this, &panel] { RunCommand([&] { OnCopyTagName(panel); }); });
  connect(copyIdentifier, &QAction::triggered, this,
          [this, &panel] { RunCommand([&] { OnCopyTagIdentifier(panel); }); });
  connect(saveMetadata, &QAction::triggered, this, [this, &panel] { RunCommand([&] { OnSaveMetadata(panel); }); });
  connect(hexEditor, &QAction::triggered, this, [this, &panel] { RunCommand([&] { OnTagDoubleClicked(panel); }); });
  connect(panel.m_treeTags, &QWidget::customContextMenuRequested, this, [this, &panel, menu](const QPoint& at) {
    QTreeWidgetItem* item = panel.m_treeTags->itemAt(at);
    if (!item) return;
    panel.m_treeTags->setCurrentItem(item);
    if (!panel.SelectedTag()) return;
    menu->popup(panel.m_treeTags->viewport()->mapToGlobal(at));
  });
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

void CMapEditorDlg::RequireWritable(const MapPanel& panel) {
  if (panel.Map().m_bOpen && panel.Map().m_bReadOnly) throw jov::Refused(kReadOnlyRefusal);
}

void CMapEditorDlg::KeepPlace(MapPanel& panel, const std::function<void()>& command) {
  const MapPanel::Place place = panel.SavePlace();
  const bool hadResults = panel.m_treeScanResults->topLevelItemCount() > 0;
  const auto restore = [&] {
    panel.RestorePlace(place);
    if (!place.tag || panel.SelectedTag() != place.tag) return;
    panel.ShowTagRecord(panel.Map().GetTagEntry(*place.tag));
    LoadControls();
    if (hadResults) Rescan(panel);
  };
  try {
    command();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void CMapEditorDlg::OnOpenMap(MapPanel& panel) {
  if (!SaveControls()) return;
  const bool wasOpen = panel.Map().m_bOpen;
  try {
    panel.Map().Open(*panel.m_treeTags, m_dialogs);
  } catch (const jov::FileError&) {
    // A compressed Xbox map cannot be read as it is: offered for decompression.
    if (!OfferDecompression(panel, panel.Map().m_strPath)) throw;
    return;
  }
  panel.m_strCaption = panel.Map().GetHeaderInfo().m_strNickname;
  LoadControls();
  if (!wasOpen && panel.Map().m_bOpen) AfterOpen(panel);
}

bool CMapEditorDlg::OpenMapPath(MapPanel& panel, const QString& path) {
  RunCommand([&] {
    if (!SaveControls()) return;
    if (panel.Map().m_bOpen) {
      panel.Map().Close(*panel.m_treeTags);
      ShowMapClosed(panel);
    }
    const std::string file = QFile::encodeName(path).toStdString();
    try {
      panel.Map().OpenPath(*panel.m_treeTags, file);
    } catch (const jov::FileError&) {
      if (!OfferDecompression(panel, file)) throw;
      return;
    }
    panel.m_strCaption = panel.Map().GetHeaderInfo().m_strNickname;
    LoadControls();
    AfterOpen(panel);
  });
  return panel.Map().m_bOpen;
}

void CMapEditorDlg::AfterOpen(MapPanel& panel) {
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

void CMapEditorDlg::OnCloseMap(MapPanel& panel) {
  if (!SaveControls()) return;
  const QString name = panel.FileName();
  panel.Map().Close(*panel.m_treeTags);
  ShowMapClosed(panel);
  if (!name.isEmpty()) ShowCommandStatus(QStringLiteral("Closed %1").arg(name));
}

void CMapEditorDlg::ShowMapClosed(MapPanel& panel) {
  panel.m_strCaption.clear();
  panel.ClearScanResults();
  panel.EmptyTagChoiceList();
  // Nothing of the closed map may be taken for a tag of the next one.
  panel.ShowTagRecord(jov::TagEntry{});
  panel.ResetScannerValues();
  {
    const QSignalBlocker blocker(panel.m_editFilter);
    panel.m_editFilter->clear();
  }
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
}

void CMapEditorDlg::RestoreWindowState() {
  const QByteArray geometry = m_settings->value(QStringLiteral("window/geometry")).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  m_splitPanels->restoreState(m_settings->value(QStringLiteral("window/panels")).toByteArray());
  m_panel1->m_splitColumns->restoreState(m_settings->value(QStringLiteral("window/columns1")).toByteArray());
  m_panel2->m_splitColumns->restoreState(m_settings->value(QStringLiteral("window/columns2")).toByteArray());
}

void CMapEditorDlg::SaveWindowState() {
  if (!m_settings) return;
  m_settings->setValue(QStringLiteral("window/geometry"), saveGeometry());
  m_settings->setValue(QStringLiteral("window/panels"), m_splitPanels->saveState());
  m_settings->setValue(QStringLiteral("window/columns1"), m_panel1->m_splitColumns->saveState());
  m_settings->setValue(QStringLiteral("window/columns2"), m_panel2->m_splitColumns->saveState());
  m_settings->sync();
}

void CMapEditorDlg::closeEvent(QCloseEvent* event) {
  SaveWindowState();
  QMainWindow::closeEvent(event);
}

void CMapEditorDlg::OnExit() { close(); }

void CMapEditorDlg::OnFind() {
  MapPanel* panel = FocusedPanel();
  if (!panel) panel = m_panel1;
  panel->m_editFilter->setFocus(Qt::ShortcutFocusReason);
  panel->m_editFilter->selectAll();
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
    for (QPushButton* button : {panel->m_buttonSaveChanges, panel->m_buttonSaveMetadata, panel->m_buttonInject,
                                panel->m_buttonScanMetadata, panel->m_buttonUpdateItem})
      button->setEnabled(tag);
    panel->m_buttonSwap->setEnabled(open);
    panel->m_buttonDirectInject->setEnabled(tag && otherTag);
    panel->m_editFilter->setEnabled(open);
  }
}

void CMapEditorDlg::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CMapEditorDlg::OnTagSelected(MapPanel& panel) {
  QtTreeView& tree = *panel.m_treeTags;
  // Emptying or rebuilding the tree leaves nothing selected: not a selection.
  const jov::TreeItem selected = tree.SelectedItem();
  if (selected == jov::kTreeRoot) return;
  if (!SaveControls()) {
    // The fields still show the tag selected before: keep the tree on it, so
    // that no later command takes them for the newly selected tag's.
    tree.RestoreAcceptedSelection();
    return;
  }
  tree.AcceptSelection();
  // A class group item has no record: the fields keep what they show.
  if (const auto index = panel.Map().FindTagByTreeItem(selected)) panel.ShowTagRecord(panel.Map().GetTagEntry(*index));
  panel.ResetScannerValues();
  panel.FillTagChoiceList();
  LoadControls();
}

void CMapEditorDlg::OnCopyTagName(MapPanel& panel) {
  if (const auto tag = panel.SelectedTag()) {
    const std::string name = panel.Map().GetTagName(*tag);
    QApplication::clipboard()->setText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  }
}

void CMapEditorDlg::OnCopyTagIdentifier(MapPanel& panel) {
  if (const auto tag = panel.SelectedTag())
    QApplication::clipboard()->setText(QString::fromStdString(panel.Map().GetTagEntry(*tag).strIdentifier));
}
