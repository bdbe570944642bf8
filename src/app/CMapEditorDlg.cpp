#include "CMapEditorDlg.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>
#include <ctime>

#include "CAboutDlg.h"
#include "MapPanel.h"
#include "ProgramIcon.h"
#include "QtTreeView.h"
#include "SortedComboBox.h"
#include "map/Refused.h"
#include "platform/FileError.h"
#include "platform/UserDialogs.h"

CMapEditorDlg::CMapEditorDlg(jov::UserDialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs) {
  setWindowTitle(QStringLiteral("JOV"));
  setWindowIcon(ProgramIcon());
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);

  // Map 1 scans shorts 1 to 4, Map 2 shorts 1 to 15; each Direct Inject copies
  // from the other panel's selected tag.
  m_panel1 = new MapPanel(QStringLiteral("Map 1"), 5, m_mapFile1, this);
  m_panel2 = new MapPanel(QStringLiteral("Map 2"), 16, m_mapFile2, this);
  m_panel1->SetDirectInjectSource(m_panel2);
  m_panel2->SetDirectInjectSource(m_panel1);
  m_panel1->m_buttonScanMetadata->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(4);
  layout->setMenuBar(BuildMenuBar());
  layout->addWidget(m_panel1, 1);
  layout->addWidget(m_panel2, 1);

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
}

CMapEditorDlg::~CMapEditorDlg() = default;

QMenuBar* CMapEditorDlg::BuildMenuBar() {
  auto* bar = new QMenuBar(this);
  MapPanel& p1 = *m_panel1;
  MapPanel& p2 = *m_panel2;

  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  AddCommand(file, QStringLiteral("Open Map 1"), [this, &p1] { OnOpenMap(p1); });
  AddCommand(file, QStringLiteral("Close Map 1"), [this, &p1] { OnCloseMap(p1); });
  file->addSeparator();
  AddCommand(file, QStringLiteral("Open Map 2"), [this, &p2] { OnOpenMap(p2); });
  AddCommand(file, QStringLiteral("Close Map 2"), [this, &p2] { OnCloseMap(p2); });
  file->addSeparator();
  AddCommand(file, QStringLiteral("Exit"), [this] { OnExit(); });

  QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
  AddCommand(tools, QStringLiteral("Map 1 Info"), [this, &p1] { OnMapInfo(p1); });
  AddCommand(tools, QStringLiteral("Map 2 Info"), [this, &p2] { OnMapInfo(p2); });
  tools->addSeparator();
  AddCommand(tools, QStringLiteral("Hex Float Calculator"), [this] { OnHexFloatCalculator(); });
  AddCommand(tools, QStringLiteral("Reflexive Calculator"), [this] { OnReflexiveCalculator(); });
  tools->addSeparator();
  AddCommand(tools, QStringLiteral("Guerilla Tag Converter"), [this] { OnGuerillaTagConverter(); });
  tools->addSeparator();
  AddCommand(tools, QStringLiteral("Insert Data at End of Map 1"), [this, &p1] { OnInsertDataAtEnd(p1); });
  AddCommand(tools, QStringLiteral("Insert Data at End of Map 2"), [this, &p2] { OnInsertDataAtEnd(p2); });
  tools->addSeparator();
  AddCommand(tools, QStringLiteral("Add Tag to Map 1"), [this, &p1] { OnAddTag(p1); });
  AddCommand(tools, QStringLiteral("Add Tag to Map 2"), [this, &p2] { OnAddTag(p2); });
  AddIntegrityCommands(tools);

  // A Linux desktop has no system menu to extend: the About box lives here.
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  AddCommand(help, QStringLiteral("&About JOV..."), [this] { OnAbout(); });
  return bar;
}

QAction* CMapEditorDlg::AddCommand(QMenu* menu, const QString& text, std::function<void()> command) {
  QAction* action = menu->addAction(text);
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
}

void CMapEditorDlg::RunCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const jov::FileError& error) {
    m_dialogs.ShowFileError(error.what());
  } catch (const jov::Refused& refusal) {
    m_dialogs.ShowMessage(refusal.what());
  }
}

bool CMapEditorDlg::SaveControls() { return m_exchange.Save(m_dialogs); }

void CMapEditorDlg::LoadControls() { m_exchange.Load(); }

void CMapEditorDlg::OnOpenMap(MapPanel& panel) {
  if (!SaveControls()) return;
  panel.Map().Open(*panel.m_treeTags, m_dialogs);
  panel.m_strCaption = panel.Map().GetHeaderInfo().m_strNickname;
  LoadControls();
}

void CMapEditorDlg::OnCloseMap(MapPanel& panel) {
  if (!SaveControls()) return;
  panel.Map().Close(*panel.m_treeTags);
  ShowMapClosed(panel);
}

void CMapEditorDlg::ShowMapClosed(MapPanel& panel) {
  panel.m_strCaption.clear();
  panel.ClearScanResults();
  panel.EmptyTagChoiceList();
  LoadControls();
}

void CMapEditorDlg::OnExit() { reject(); }

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
