#include "MapPanel.h"

#include <algorithm>

#include <QAction>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "DataExchange.h"
#include "FieldHexView.h"
#include "FieldsWindow.h"
#include "FieldsView.h"
#include "QtTreeView.h"
#include "SortedComboBox.h"
#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/TagClassTable.h"
#include "fields/FieldTree.h"
#include "map/ValueText.h"
#include "scanner/ReferenceIndex.h"
#include "scanner/ScanTagList.h"
#include "transfer/TagRecordEdit.h"

namespace {

QPushButton* PushLikeCheckBox(const QString& text, QWidget* parent) {
  auto* box = new QPushButton(text, parent);
  box->setCheckable(true);
  box->setAutoDefault(false);
  // A pressed-in look alone is easy to miss: a checked toggle takes the
  // selection colours.
  box->setStyleSheet(QStringLiteral(
      "QPushButton:checked { background-color: palette(highlight); color: palette(highlighted-text); "
      "border: 1px solid palette(dark); border-radius: 3px; padding: 3px 8px; }"));
  // The checked look has its own padding and border: the text must fit in it
  // too, not only in the unchecked button the layout measured.
  box->ensurePolished();
  box->setMinimumWidth(
      std::max(box->minimumSizeHint().width(), box->fontMetrics().horizontalAdvance(text) + 2 * 8 + 2 * 1 + 6));
  return box;
}

QPushButton* Button(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setAutoDefault(false);
  return button;
}

SortedComboBox* ClassCodeCombo(QWidget* parent) {
  auto* combo = new SortedComboBox(parent);
  std::vector<std::string> codes;
  for (const auto& row : jov::TagClassTable::Rows()) codes.push_back(row.code);
  combo->AddAllSorted(std::move(codes));
  return combo;
}

// A group whose controls need more room than a small window gives: it
// scrolls instead of holding the splitters around it at its minimum size.
QScrollArea* Scrolled(QWidget* content, QWidget* parent) {
  auto* scroll = new QScrollArea(parent);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scroll->setWidget(content);
  scroll->setMinimumSize(80, 40);
  return scroll;
}

QLabel* FieldLabel(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

MapPanel::MapPanel(const QString& title, int shortsRange, jov::CMapFile& map, QWidget* parent)
    : QGroupBox(title, parent), m_scanner(1), m_map(map), m_nShortsRange(shortsRange) {
  m_scanner.Options().nShortsLimit = shortsRange;
  m_map.m_bAllowReadOnly = true;
  // Only the executor writes a map, through a handle of its own.
  m_map.File().RequireStage();
  setAcceptDrops(true);
  m_editCaption = new QLineEdit(this);
  m_editCaption->setReadOnly(true);
  m_editCaption->setEnabled(false);
  m_editCaption->setAlignment(Qt::AlignCenter);
  // With no map open the two panels still say which is which.
  m_editCaption->setPlaceholderText(title);

  m_editFilter = new QLineEdit(this);
  m_editFilter->setPlaceholderText(QStringLiteral("Find tag"));
  m_editFilter->setClearButtonEnabled(true);
  m_editFilter->setToolTip(
      QStringLiteral("Shows only the tags whose name, class code or class name contains this text (* matches any "
                     "text). Escape clears it."));
  auto* clearFilter = new QAction(m_editFilter);
  clearFilter->setShortcut(Qt::Key_Escape);
  clearFilter->setShortcutContext(Qt::WidgetShortcut);
  m_editFilter->addAction(clearFilter);
  // Escape empties the filter and puts the groups back as they were, but the
  // tag the filter found stays selected, its group open and in view.
  connect(clearFilter, &QAction::triggered, this, [this] {
    const std::optional<int> tag = SelectedTag();
    m_editFilter->clear();
    if (!tag) return;
    QTreeWidgetItem* item = QtTreeView::ItemOf(m_map.GetTagEntry(*tag).hTreeItem);
    if (item->parent()) item->parent()->setExpanded(true);
    m_treeTags->scrollToItem(item);
  });
  connect(m_editFilter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  m_editFilter->installEventFilter(this);

  m_treeTags = new QtTreeView(this);
  m_treeTags->setRootIsDecorated(true);
  m_treeTags->setMouseTracking(true);  // hot tracking
  m_treeTags->setContextMenuPolicy(Qt::CustomContextMenu);
  // The tag names are what the user reads: the tree never gets narrower than
  // a typical "weapons\pistol\pistol".
  m_treeTags->setMinimumWidth(220);

  auto* left = new QWidget(this);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->setSpacing(4);
  leftLayout->addWidget(m_editCaption);
  leftLayout->addWidget(m_editFilter);
  leftLayout->addWidget(m_treeTags, 1);

  // Tag Information above the tag's views, on a splitter: the Fields tab
  // takes the space the record leaves, and the record can be shrunk (it
  // scrolls) or closed to give the fields the whole column.
  auto* middle = m_splitRecord = new QSplitter(Qt::Vertical, this);
  middle->addWidget(Scrolled(BuildTagInfo(), this));
  middle->addWidget(BuildTagViews());
  middle->setStretchFactor(0, 0);
  middle->setStretchFactor(1, 1);
  middle->setCollapsible(1, false);

  // Three columns: the tree, the tag's record, and the scanner whose results
  // take the whole height the scanner's controls leave.
  m_splitColumns = new QSplitter(Qt::Horizontal, this);
  m_splitColumns->setChildrenCollapsible(false);
  m_splitColumns->addWidget(left);
  m_splitColumns->addWidget(middle);
  m_splitColumns->addWidget(Scrolled(BuildScanner(), this));
  m_splitColumns->setStretchFactor(0, 3);
  m_splitColumns->setStretchFactor(1, 4);
  m_splitColumns->setStretchFactor(2, 4);
  m_splitColumns->setSizes({340, 440, 440});

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(m_splitColumns);

  // Enter in a scanner box scans this panel's tag; the window has no default
  // button, so Enter in any other field does nothing. The key is taken here:
  // a combo box would hand it to its edit field a second time.
  for (QWidget* box : {static_cast<QWidget*>(m_editScanValue), static_cast<QWidget*>(m_comboScanTag->lineEdit()),
                       static_cast<QWidget*>(m_comboScanClass->lineEdit())})
    box->installEventFilter(this);

  // Tab order follows the screen: the filter and the tree, the record's fields
  // row by row and its buttons, then the scanner from top to bottom.
  QWidget* order[] = {m_editFilter,       m_treeTags,          m_editFilename,       m_editIdentifier,
                      m_editMetaOffset,   m_editStringOffset,  m_editPageOffset,     m_comboClass[0],
                      m_comboClass[1],    m_comboClass[2],     m_editSize,           m_buttonSwap,
                      m_buttonSaveChanges, m_buttonRevert,     m_buttonCopy,         m_checkUpdateSize,
                      m_buttonSaveMetadata, m_buttonInject,    m_buttonDirectInject, m_buttonScanMetadata,
                      m_buttonClearScanner, m_buttonUpdateItem, m_checkDependencies, m_checkReflexives,
                      m_checkFloats,      m_checkShorts,       m_checkLoneIDs,       m_comboScanTag,
                      m_comboScanClass,   m_editScanValue,     m_treeScanResults};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // Back and Forward: Alt+Left / Alt+Right from anywhere in the window (the
  // window's shortcuts call GoBack and GoForward), and the mouse's side
  // buttons over the panel's views. Every tag selection is recorded, however
  // it was made: a click, the keyboard, a filter, a jump.
  connect(m_treeTags, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (const std::optional<int> tag = SelectedTag()) RecordSelection(*tag);
  });
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_treeTags), static_cast<QAbstractItemView*>(m_fields->View()),
                                  static_cast<QAbstractItemView*>(m_treeReferences),
                                  static_cast<QAbstractItemView*>(m_treeScanResults)})
    view->viewport()->installEventFilter(this);
  UpdateTrailButtons();

  // The tag tree's context menu: the same commands as the fields and buttons,
  // for the tag under the mouse.
  m_menuTag = new QMenu(m_treeTags);
  m_actionCopyName = m_menuTag->addAction(QStringLiteral("Copy &Name"));
  m_actionCopyIdentifier = m_menuTag->addAction(QStringLiteral("Copy &Identifier"));
  m_menuTag->addSeparator();
  m_actionSaveMetadata = m_menuTag->addAction(QStringLiteral("&Save Metadata..."));
  m_actionHexEditor = m_menuTag->addAction(QStringLiteral("Open in &Hex Editor"));
  connect(m_treeTags, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QTreeWidgetItem* item = m_treeTags->itemAt(at);
    if (!item) return;
    m_treeTags->setCurrentItem(item);
    if (!SelectedTag()) return;
    m_menuTag->popup(m_treeTags->viewport()->mapToGlobal(at));
  });
}

jov::TreeView& MapPanel::TagTree() { return *m_treeTags; }

void MapPanel::OnTrigger(Trigger trigger, std::function<void()> run) {
  const auto click = [&](QPushButton* button) {
    connect(button, &QPushButton::clicked, this, [run = std::move(run)] { run(); });
  };
  const auto menuLine = [&](QAction* line) {
    connect(line, &QAction::triggered, this, [run = std::move(run)] { run(); });
  };
  switch (trigger) {
    case Trigger::Swap: return click(m_buttonSwap);
    case Trigger::SaveChanges: return click(m_buttonSaveChanges);
    case Trigger::Revert: return click(m_buttonRevert);
    case Trigger::Copy: return click(m_buttonCopy);
    case Trigger::SaveMetadata: return click(m_buttonSaveMetadata);
    case Trigger::Inject: return click(m_buttonInject);
    case Trigger::DirectInject: return click(m_buttonDirectInject);
    case Trigger::ScanMetadata: return click(m_buttonScanMetadata);
    case Trigger::ClearScanner: return click(m_buttonClearScanner);
    case Trigger::UpdateItem: return click(m_buttonUpdateItem);
    case Trigger::TagSelected:
      connect(m_treeTags, &QTreeWidget::itemSelectionChanged, this, [run = std::move(run)] { run(); });
      return;
    case Trigger::TagActivated:
      connect(m_treeTags, &QTreeWidget::itemDoubleClicked, this, [run = std::move(run)] { run(); });
      return;
    case Trigger::ResultSelected:
      connect(m_treeScanResults, &QTreeWidget::itemSelectionChanged, this, [run = std::move(run)] { run(); });
      return;
    case Trigger::ResultActivated:
      connect(m_treeScanResults, &QTreeWidget::itemDoubleClicked, this, [run = std::move(run)] { run(); });
      return;
    case Trigger::CopyTagName: return menuLine(m_actionCopyName);
    case Trigger::CopyTagIdentifier: return menuLine(m_actionCopyIdentifier);
    case Trigger::SaveTagMetadata: return menuLine(m_actionSaveMetadata);
    case Trigger::OpenTagInHexEditor: return menuLine(m_actionHexEditor);
  }
}

std::vector<QPushButton*> MapPanel::WritingButtons() const {
  return {m_buttonSaveChanges, m_buttonInject, m_buttonDirectInject, m_buttonUpdateItem};
}

void MapPanel::ShowEnabled(bool open, bool tag, bool sourceTag) {
  for (QPushButton* button :
       {m_buttonSaveChanges, m_buttonSaveMetadata, m_buttonInject, m_buttonScanMetadata, m_buttonUpdateItem})
    button->setEnabled(tag);
  m_buttonSwap->setEnabled(open);
  m_buttonDirectInject->setEnabled(tag && sourceTag);
  m_editFilter->setEnabled(open);
}

jov::TagRecordFields MapPanel::RecordFields() const {
  jov::TagRecordFields fields;
  fields.strName = m_strFilename;
  fields.strIdentifier = m_strIdentifier;
  fields.strMetaOffset = m_strMetaOffset;
  fields.strNameOffset = m_strStringOffset;
  fields.strClass1 = m_strClass1;
  fields.strClass2 = m_strClass2;
  fields.strClass3 = m_strClass3;
  fields.bUpdateSize = m_bUpdateSize;
  return fields;
}

void MapPanel::SetRecordFields(const jov::TagRecordFields& fields) {
  m_strFilename = fields.strName;
  m_strIdentifier = fields.strIdentifier;
  m_strMetaOffset = fields.strMetaOffset;
  m_strStringOffset = fields.strNameOffset;
  m_strClass1 = fields.strClass1;
  m_strClass2 = fields.strClass2;
  m_strClass3 = fields.strClass3;
  m_bUpdateSize = fields.bUpdateSize;
}

void MapPanel::ShowMapClosed() {
  m_strCaption.clear();
  ClearScanResults();
  EmptyTagChoiceList();
  // Nothing of the closed map may be taken for a tag of the next one.
  ShowTagRecord(jov::TagEntry{});
  ForgetReferences();
  ShowTagViews(std::nullopt);
  ResetScannerValues();
  m_trail.clear();
  m_trailAt = -1;
  UpdateTrailButtons();
  const QSignalBlocker blocker(m_editFilter);
  m_editFilter->clear();
}

bool MapPanel::HasTagSelection() const { return m_treeTags->SelectedItem() != jov::kTreeRoot; }
void MapPanel::AcceptTagSelection() { m_treeTags->AcceptSelection(); }
void MapPanel::RestoreTagSelection() { m_treeTags->RestoreAcceptedSelection(); }

void MapPanel::SelectTagItem(int tag) {
  if (tag < 0 || tag >= static_cast<int>(m_map.m_tags.size())) return;
  m_treeTags->Select(m_map.m_tags[static_cast<std::size_t>(tag)].hTreeItem);
}

void MapPanel::FocusFilter() {
  m_editFilter->setFocus(Qt::ShortcutFocusReason);
  m_editFilter->selectAll();
}

jov::ScanBoxes MapPanel::ScanChoices() const { return {m_strScanTagChoice, m_strScanClassChoice, m_fScanValue}; }

void MapPanel::SetScanChoices(const jov::ScanBoxes& boxes) {
  m_strScanTagChoice = boxes.strTagChoice;
  m_strScanClassChoice = boxes.strClassChoice;
  m_fScanValue = boxes.fValue;
}

void MapPanel::TakeScanOptions() {
  jov::ScanOptions& options = m_scanner.Options();
  options.bDependencies = m_bDependencies;
  options.bLoneIDs = m_bLoneIDs;
  options.bReflexives = m_bReflexives;
  options.bShorts = m_bShorts;
  options.bFloats = m_bFloats;
}

void MapPanel::ShowScanLines(const std::vector<ScanLine>& lines) {
  // Inserted in one batch and attached at its end: a tag full of shorts gives
  // a hundred thousand lines, which one-by-one insertion would crawl through.
  QtTreeView& tree = *m_treeScanResults;
  tree.DeleteAllItems();  // the lines only: the colour is the caller's
  tree.BeginUpdate();
  for (const ScanLine& line : lines) {
    const jov::TreeItem item = tree.InsertItem(jov::kTreeRoot, line.text, false);
    QtTreeView::ItemOf(item)->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(line.record));
  }
  tree.EndUpdate();
}

void MapPanel::SetResultsColor(std::uint32_t color) { m_treeScanResults->SetBackgroundColor(color); }
bool MapPanel::HasScanResults() const { return m_treeScanResults->topLevelItemCount() > 0; }
bool MapPanel::HasResultSelection() const { return m_treeScanResults->SelectedItem() != jov::kTreeRoot; }
void MapPanel::AcceptResultSelection() { m_treeScanResults->AcceptSelection(); }
void MapPanel::RestoreResultSelection() { m_treeScanResults->RestoreAcceptedSelection(); }

std::optional<std::size_t> MapPanel::SelectedResult() const {
  const jov::TreeItem line = m_treeScanResults->SelectedItem();
  if (line == jov::kTreeRoot) return std::nullopt;
  const QVariant record = QtTreeView::ItemOf(line)->data(0, Qt::UserRole);
  if (!record.isValid()) return std::nullopt;
  return static_cast<std::size_t>(record.toULongLong());
}

const jov::FieldTree& MapPanel::ShownFields() const { return m_fields->Tree(); }

void MapPanel::SetFieldWriter(std::function<bool(const std::string& path, const QString& text)> writer) {
  m_fields->SetWriter(std::move(writer));
}

void MapPanel::SetFieldBytesShower(std::function<void(std::uint32_t offset, std::uint32_t size)> shower) {
  m_fields->SetBytesShower(std::move(shower));
}

void MapPanel::SetFieldByteWriter(std::function<bool(std::uint32_t offset, const std::vector<unsigned char>& bytes)> writer) {
  m_fieldHex->SetWriter(std::move(writer));
}

void MapPanel::SetDefinitions(std::shared_ptr<const jov::DefinitionSet> definitions) {
  m_fields->SetDefinitions(std::move(definitions));
}

QByteArray MapPanel::ColumnsState() const { return m_splitColumns->saveState(); }
void MapPanel::RestoreColumnsState(const QByteArray& state) { m_splitColumns->restoreState(state); }
QVariantList MapPanel::TagViewsState() const { return {m_splitRecord->saveState(), m_splitFields->saveState()}; }
void MapPanel::RestoreTagViewsState(const QVariantList& state) {
  if (state.size() != 2) return;
  m_splitRecord->restoreState(state[0].toByteArray());
  m_splitFields->restoreState(state[1].toByteArray());
}
QWidget* MapPanel::FirstInTabOrder() const { return m_editFilter; }
QWidget* MapPanel::LastInTabOrder() const { return m_treeScanResults; }

MapPanel::~MapPanel() = default;

void MapPanel::ForgetReferences() { m_references.reset(); }

QWidget* MapPanel::BuildTagViews() {
  m_tabsTag = new QTabWidget(this);
  m_fields = new FieldsView(m_map, m_tabsTag);
  m_treeReferences = new QTreeWidget(m_tabsTag);
  m_treeReferences->setColumnCount(4);
  m_treeReferences->setHeaderLabels({QStringLiteral("Tag"), QStringLiteral("Offset"), QStringLiteral("Kind"),
                                     QStringLiteral("Field")});
  m_treeReferences->setRootIsDecorated(false);
  m_treeReferences->setUniformRowHeights(true);
  m_treeReferences->header()->setSectionResizeMode(QHeaderView::Interactive);
  m_treeReferences->setToolTip(
      QStringLiteral("Every tag whose metadata holds a dependency or identifier of the selected tag. "
                     "Double-click one to go there."));
  // The tag's bytes below its fields, on a splitter that can close them.
  auto* fieldsSplit = m_splitFields = new QSplitter(Qt::Vertical, m_tabsTag);
  fieldsSplit->addWidget(m_fields);
  m_fieldHex = new FieldHexView(*m_fields, fieldsSplit);
  fieldsSplit->addWidget(m_fieldHex);
  fieldsSplit->setCollapsible(0, false);
  fieldsSplit->setStretchFactor(0, 3);
  fieldsSplit->setStretchFactor(1, 1);
  m_tabsTag->addTab(fieldsSplit, QStringLiteral("Fields"));
  m_tabsTag->addTab(m_treeReferences, QStringLiteral("References"));

  auto* corner = new QWidget(m_tabsTag);
  auto* cornerLayout = new QHBoxLayout(corner);
  cornerLayout->setContentsMargins(0, 0, 0, 0);
  cornerLayout->setSpacing(2);
  m_buttonBack = new QToolButton(corner);
  m_buttonBack->setArrowType(Qt::LeftArrow);
  m_buttonBack->setToolTip(QStringLiteral("Back to the tag selected before the last jump (Alt+Left)"));
  m_buttonForward = new QToolButton(corner);
  m_buttonForward->setArrowType(Qt::RightArrow);
  m_buttonForward->setToolTip(QStringLiteral("Forward to the tag Back left (Alt+Right)"));
  cornerLayout->addWidget(m_buttonBack);
  cornerLayout->addWidget(m_buttonForward);
  // Room: the Fields view (with its hex view) in a window of its own.
  m_fieldsWindow = new FieldsWindow(*m_tabsTag, *fieldsSplit, this);
  auto* undock = new QToolButton(corner);
  undock->setIcon(style()->standardIcon(QStyle::SP_TitleBarNormalButton));
  undock->setToolTip(QStringLiteral("Open the fields in a window of their own (closing it puts them back)"));
  undock->setCheckable(true);
  cornerLayout->addWidget(undock);
  connect(undock, &QToolButton::toggled, this, [this](bool on) { on ? m_fieldsWindow->Undock() : m_fieldsWindow->Dock(); });
  connect(m_fieldsWindow, &FieldsWindow::Docked, undock, [undock](bool docked) {
    const QSignalBlocker quiet(undock);
    undock->setChecked(!docked);
  });
  m_fieldsWindow->SetTitle(FieldsWindowTitle(std::nullopt));
  m_tabsTag->setCornerWidget(corner, Qt::TopRightCorner);
  connect(m_buttonBack, &QToolButton::clicked, this, &MapPanel::GoBack);
  connect(m_buttonForward, &QToolButton::clicked, this, &MapPanel::GoForward);

  // A jump refills the view that was double-clicked: it runs once the view's
  // own handling of the click is over, not under its feet.
  connect(m_fields, &FieldsView::TagActivated, this, &MapPanel::GoToTag, Qt::QueuedConnection);
  connect(m_treeReferences, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (!item || !item->data(0, Qt::UserRole).isValid()) return;
    const int tag = item->data(0, Qt::UserRole).toInt();
    QMetaObject::invokeMethod(this, [this, tag] { GoToTag(tag); }, Qt::QueuedConnection);
  });
  // The reference index is read over every tag: only when it is looked at.
  connect(m_tabsTag, &QTabWidget::currentChanged, this, [this] {
    if (m_tabsTag->currentWidget() == m_treeReferences) FillReferences(SelectedTag());
  });
  return m_tabsTag;
}

QString MapPanel::FieldsWindowTitle(std::optional<int> tag) const {
  QString text = QStringLiteral("Fields - ") + title();
  if (m_map.m_bOpen) text += QStringLiteral(" (") + FileName() + QStringLiteral(")");
  if (tag && *tag >= 0 && *tag < static_cast<int>(m_map.m_tags.size())) {
    const jov::TagEntry& entry = m_map.m_tags[static_cast<std::size_t>(*tag)];
    text += QStringLiteral(": ") + QString::fromStdString(entry.strClass1) + QLatin1Char(':') +
            QString::fromLatin1(entry.strName.data(), static_cast<qsizetype>(entry.strName.size()));
  }
  return text;
}

void MapPanel::ShowTagViews(std::optional<int> tag) {
  if (!m_map.m_bOpen) tag.reset();
  m_fields->ShowTag(tag);
  m_fieldsWindow->SetTitle(FieldsWindowTitle(tag));
  FillReferences(tag);
}

void MapPanel::FillReferences(std::optional<int> tag) {
  m_treeReferences->clear();
  if (!m_map.m_bOpen) m_references.reset();
  if (!tag || !m_map.m_bOpen || m_tabsTag->currentWidget() != m_treeReferences) return;
  if (*tag < 0 || *tag >= static_cast<int>(m_map.m_tags.size())) return;
  if (!m_references) {
    try {
      m_references = std::make_unique<jov::ReferenceIndex>(m_map);
    } catch (const jov::Refused& refused) {  // a hostile map: more references than the index holds
      auto* row = new QTreeWidgetItem;
      row->setText(0, QString::fromStdString(refused.what()));
      row->setFlags(Qt::ItemIsEnabled);
      m_treeReferences->addTopLevelItem(row);
      row->setFirstColumnSpanned(true);
      return;
    }
  }
  const auto tagText = [this](int i) {
    const jov::TagEntry& entry = m_map.m_tags[static_cast<std::size_t>(i)];
    return QString::fromLatin1((entry.strClass1 + ":" + entry.strName).c_str());
  };
  // The field a reference lies in, where a definition covers it: the
  // deepest field holding the offset. One tree for each referring tag.
  int treeOf = -1;
  jov::FieldTree tree;
  const auto fieldAt = [&](int from, std::uint32_t offset) {
    if (treeOf != from) {
      treeOf = from;
      tree = jov::FieldTree{};
      try {
        tree = jov::BuildFieldTree(m_map, from, m_fields->Definitions().Find(m_map.m_tags[static_cast<std::size_t>(from)].strClass1));
      } catch (const std::exception&) {
        // A tag whose fields cannot be read still refers: only the name is missing.
      }
    }
    const int node = tree.NodeAt(offset, true);
    return node < 0 ? QString() : QString::fromStdString(tree.nodes[static_cast<std::size_t>(node)].path);
  };
  QList<QTreeWidgetItem*> rows;
  for (const jov::TagReference& reference : m_references->To(*tag)) {
    auto* row = new QTreeWidgetItem;
    row->setText(0, tagText(reference.from));
    row->setData(0, Qt::UserRole, reference.from);
    row->setText(1, QStringLiteral("0x") + QString::fromStdString(jov::UIntToHex(reference.offset)));
    row->setText(2, QString::fromLatin1(jov::KindText(reference.kind)));
    row->setText(3, fieldAt(reference.from, reference.offset));
    rows << row;
  }
  if (rows.isEmpty()) {
    auto* none = new QTreeWidgetItem;
    none->setText(0, QStringLiteral("No tag of this map refers to %1.").arg(tagText(*tag)));
    none->setFlags(Qt::ItemIsEnabled);
    rows << none;
  }
  m_treeReferences->addTopLevelItems(rows);
  if (rows.size() == 1 && !rows.front()->data(0, Qt::UserRole).isValid()) rows.front()->setFirstColumnSpanned(true);
  m_treeReferences->resizeColumnToContents(0);
}

void MapPanel::SelectTag(int tag) {
  if (!m_map.m_bOpen || tag < 0 || tag >= static_cast<int>(m_map.m_tags.size())) return;
  const jov::TreeItem target = m_map.GetTagEntry(tag).hTreeItem;
  if (target == jov::kTreeRoot) return;
  // A filter that hides the tag is cleared first: the tag must be seen.
  if (QtTreeView::ItemOf(target)->isHidden()) m_editFilter->clear();
  m_treeTags->Select(target);
  m_treeTags->scrollToItem(QtTreeView::ItemOf(target));
  m_treeTags->setFocus(Qt::OtherFocusReason);
}

void MapPanel::RecordSelection(int tag) {
  if (m_navigating) return;
  if (m_trailAt >= 0 && m_trail[static_cast<std::size_t>(m_trailAt)] == tag) return;
  // A selection made where Back left the user drops the tags ahead of it.
  m_trail.resize(static_cast<std::size_t>(m_trailAt + 1));
  m_trail.push_back(tag);
  m_trailAt = static_cast<int>(m_trail.size()) - 1;
  UpdateTrailButtons();
}

void MapPanel::GoToTag(int tag) {
  if (SelectedTag() == tag) return;
  SelectTag(tag);
  if (SelectedTag() == tag) RecordSelection(tag);
}

void MapPanel::StepTrail(int by) {
  // Entries the map no longer has (closed, or fewer tags after a re-read) are
  // dropped rather than offered.
  const auto valid = [this](int tag) { return m_map.m_bOpen && tag >= 0 && tag < static_cast<int>(m_map.m_tags.size()); };
  int at = m_trailAt + by;
  while (at >= 0 && at < static_cast<int>(m_trail.size()) && !valid(m_trail[static_cast<std::size_t>(at)])) at += by;
  if (at < 0 || at >= static_cast<int>(m_trail.size())) return;
  m_trailAt = at;
  m_navigating = true;
  SelectTag(m_trail[static_cast<std::size_t>(at)]);
  m_navigating = false;
  UpdateTrailButtons();
}

void MapPanel::GoBack() { StepTrail(-1); }

void MapPanel::GoForward() { StepTrail(+1); }

void MapPanel::UpdateTrailButtons() {
  m_buttonBack->setEnabled(CanGoBack());
  m_buttonForward->setEnabled(CanGoForward());
}

QWidget* MapPanel::BuildTagInfo() {
  m_groupTagInfo = new QGroupBox(QStringLiteral("Tag Information"), this);
  QWidget* g = m_groupTagInfo;

  m_editFilename = new QLineEdit(g);
  m_editIdentifier = new QLineEdit(g);
  m_editMetaOffset = new QLineEdit(g);
  m_editStringOffset = new QLineEdit(g);
  m_editPageOffset = new QLineEdit(g);
  m_editPageOffset->setReadOnly(true);
  m_editSize = new QLineEdit(g);
  m_editSize->setReadOnly(true);
  m_editSize->setAlignment(Qt::AlignCenter);
  for (QLineEdit* hex : {m_editIdentifier, m_editMetaOffset, m_editStringOffset, m_editPageOffset})
    hex->setToolTip(QStringLiteral("hexadecimal"));
  m_editSize->setToolTip(QStringLiteral("The tag's metadata size in bytes (decimal)"));
  for (auto*& combo : m_comboClass) combo = ClassCodeCombo(g);
  m_checkUpdateSize = PushLikeCheckBox(QStringLiteral("Update Size"), g);
  m_checkUpdateSize->setToolTip(
      QStringLiteral("Checked, Save Changes writes the name at the end of the map, so a longer name fits whole; "
                     "unchecked, it is written in place, cut to the old name's length"));
  m_buttonSwap = Button(QStringLiteral("Swap"), g);
  m_buttonSaveChanges = Button(QStringLiteral("Save Changes"), g);
  m_buttonRevert = Button(QStringLiteral("Revert"), g);
  m_buttonCopy = Button(QStringLiteral("Copy"), g);
  m_buttonSaveMetadata = Button(QStringLiteral("Save Metadata"), g);
  m_buttonInject = Button(QStringLiteral("Inject"), g);
  m_buttonDirectInject = Button(QStringLiteral("Direct Inject"), g);

  auto* grid = new QGridLayout(g);
  grid->setContentsMargins(6, 4, 6, 6);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  grid->addWidget(FieldLabel(QStringLiteral("Filename"), m_editFilename, g), 0, 0);
  grid->addWidget(m_editFilename, 0, 1, 1, 5);
  grid->addWidget(FieldLabel(QStringLiteral("Identifier"), m_editIdentifier, g), 1, 0);
  grid->addWidget(m_editIdentifier, 1, 1, 1, 2);
  grid->addWidget(FieldLabel(QStringLiteral("Meta Offset"), m_editMetaOffset, g), 1, 3);
  grid->addWidget(m_editMetaOffset, 1, 4, 1, 2);
  grid->addWidget(FieldLabel(QStringLiteral("String Offset"), m_editStringOffset, g), 2, 0);
  grid->addWidget(m_editStringOffset, 2, 1, 1, 2);
  grid->addWidget(FieldLabel(QStringLiteral("Page Offset"), m_editPageOffset, g), 2, 3);
  grid->addWidget(m_editPageOffset, 2, 4, 1, 2);
  grid->addWidget(FieldLabel(QStringLiteral("Tag Classes"), m_comboClass[0], g), 3, 0);
  grid->addWidget(m_comboClass[0], 3, 1);
  grid->addWidget(m_comboClass[1], 3, 2);
  grid->addWidget(m_comboClass[2], 3, 3);
  grid->addWidget(FieldLabel(QStringLiteral("Size"), m_editSize, g), 3, 4, Qt::AlignRight);
  grid->addWidget(m_editSize, 3, 5);
  for (int column = 1; column <= 5; ++column) grid->setColumnStretch(column, 1);

  auto* buttons = new QGridLayout;
  buttons->setHorizontalSpacing(4);
  buttons->setVerticalSpacing(3);
  buttons->addWidget(m_buttonSwap, 0, 0);
  buttons->addWidget(m_buttonSaveChanges, 0, 1);
  buttons->addWidget(m_buttonRevert, 0, 2);
  buttons->addWidget(m_buttonCopy, 0, 3);
  buttons->addWidget(m_checkUpdateSize, 1, 0);
  buttons->addWidget(m_buttonSaveMetadata, 1, 1);
  buttons->addWidget(m_buttonInject, 1, 2);
  buttons->addWidget(m_buttonDirectInject, 1, 3);
  grid->addLayout(buttons, 4, 0, 1, 6);
  return g;
}

QWidget* MapPanel::BuildScanner() {
  m_groupScanner = new QGroupBox(QStringLiteral("Meta Scanner"), this);
  QWidget* g = m_groupScanner;

  m_buttonScanMetadata = new QPushButton(QStringLiteral("Scan Metadata"), g);
  m_buttonClearScanner = Button(QStringLiteral("Clear Scanner"), g);
  m_buttonUpdateItem = Button(QStringLiteral("Update Item"), g);
  m_checkDependencies = PushLikeCheckBox(QStringLiteral("Dependencies"), g);
  m_checkReflexives = PushLikeCheckBox(QStringLiteral("Reflexives"), g);
  m_checkFloats = PushLikeCheckBox(QStringLiteral("Floats"), g);
  m_checkShorts = PushLikeCheckBox(QStringLiteral("Shorts"), g);
  m_checkLoneIDs = PushLikeCheckBox(QStringLiteral("LoneIDs"), g);
  m_comboScanTag = new SortedComboBox(g);
  m_comboScanTag->setMinimumContentsLength(24);
  m_comboScanTag->CompleteByContains();
  m_comboScanClass = ClassCodeCombo(g);
  m_editScanValue = new QLineEdit(g);
  m_editScanValue->setAlignment(Qt::AlignCenter);
  m_treeScanResults = new QtTreeView(g);
  m_treeScanResults->setRootIsDecorated(false);
  m_treeScanResults->setItemsExpandable(false);
  m_treeScanResults->setMinimumHeight(32);  // the window must fit 1280x800 with both panels
  m_comboScanTag->setToolTip(QStringLiteral("Tag choice: the tag a Dependency or LoneID result is set to"));
  m_comboScanClass->setToolTip(QStringLiteral("Class choice: the class a Dependency result is set to"));
  m_editScanValue->setToolTip(
      QStringLiteral("Value: the number a Reflexive, Float or Short result is set to, and the step of the float scan"));
  m_checkDependencies->setToolTip(QStringLiteral("List the tag references (class, name and identifier)"));
  m_checkReflexives->setToolTip(QStringLiteral("List the reflexives (block count and pointer)"));
  m_checkFloats->setToolTip(QStringLiteral("List the floats that are multiples of the value"));
  m_checkShorts->setToolTip(QStringLiteral("List the small 16-bit numbers"));
  m_checkLoneIDs->setToolTip(QStringLiteral("List the tag identifiers that stand alone"));

  auto* commands = new QHBoxLayout;
  commands->setSpacing(4);
  commands->addWidget(m_buttonScanMetadata);
  commands->addWidget(m_buttonClearScanner);
  commands->addWidget(m_buttonUpdateItem);

  auto* kinds = new QHBoxLayout;
  kinds->setSpacing(4);
  for (QPushButton* box : {m_checkDependencies, m_checkReflexives, m_checkFloats, m_checkShorts, m_checkLoneIDs})
    kinds->addWidget(box);

  auto* choices = new QHBoxLayout;
  choices->setSpacing(4);
  choices->addWidget(m_comboScanTag, 4);
  choices->addWidget(m_comboScanClass, 1);
  choices->addWidget(m_editScanValue, 1);

  auto* layout = new QVBoxLayout(g);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(3);
  layout->addLayout(commands);
  layout->addLayout(kinds);
  layout->addLayout(choices);
  layout->addWidget(m_treeScanResults, 1);
  return g;
}

void MapPanel::BindScannerValue(DataExchange& exchange) { exchange.BindFloat(m_editScanValue, m_fScanValue); }

void MapPanel::BindFields(DataExchange& exchange) {
  exchange.BindText(m_editCaption, m_strCaption);
  exchange.BindText(m_editPageOffset, m_strPageOffset);
  exchange.BindText(m_comboScanClass, m_strScanClassChoice);
  exchange.BindInt(m_editSize, m_nSize);
  exchange.BindText(m_editStringOffset, m_strStringOffset);
  exchange.BindText(m_comboClass[0], m_strClass1);
  exchange.BindText(m_comboClass[1], m_strClass2);
  exchange.BindText(m_comboClass[2], m_strClass3);
  exchange.BindText(m_editFilename, m_strFilename);
  exchange.BindCheck(m_checkUpdateSize, m_bUpdateSize);
  exchange.BindText(m_editIdentifier, m_strIdentifier);
  exchange.BindText(m_editMetaOffset, m_strMetaOffset);
  exchange.BindText(m_comboScanTag, m_strScanTagChoice);
  exchange.BindCheck(m_checkDependencies, m_bDependencies);
  exchange.BindCheck(m_checkReflexives, m_bReflexives);
  exchange.BindCheck(m_checkFloats, m_bFloats);
  exchange.BindCheck(m_checkShorts, m_bShorts);
  exchange.BindCheck(m_checkLoneIDs, m_bLoneIDs);
}

std::optional<int> MapPanel::SelectedTag() const {
  const jov::TreeItem selected = m_treeTags->SelectedItem();
  if (selected == jov::kTreeRoot) return std::nullopt;
  return m_map.FindTagByTreeItem(selected);
}

void MapPanel::ShowTagRecord(const jov::TagEntry& record) {
  m_strFilename = record.strName;
  m_strIdentifier = record.strIdentifier;
  m_strMetaOffset = record.strMetaOffset;
  m_strStringOffset = record.strNameOffset;
  m_strPageOffset = record.strEntryOffset;
  m_nSize = static_cast<std::int32_t>(record.nSize);
  m_strClass1 = record.strClass1;
  m_strClass2 = record.strClass2;
  m_strClass3 = record.strClass3;
  // Where the metadata lives when it is not the tag data: a structure BSP's
  // own section, or (a CE external tag) its resource map.
  QString where;
  if (record.eHome == jov::TagHome::Bsp) {
    where = QStringLiteral("a structure BSP section of its own, based at 0x%1").arg(record.nBase, 8, 16, QLatin1Char('0'));
  } else {
    jov::TagPlace place;
    place.home = record.eHome;
    place.resource = record.nResource;
    where = QString::fromLatin1(jov::ExternalText(place, record.strClass1).c_str());
  }
  m_groupTagInfo->setTitle(where.isEmpty() ? QStringLiteral("Tag Information") : QStringLiteral("Tag Information: ") + where);
  const QString sizeTip = QStringLiteral("The tag's metadata size in bytes (decimal)");
  m_editSize->setToolTip(where.isEmpty() ? sizeTip : sizeTip + QStringLiteral("; the metadata is ") + where);
}

void MapPanel::ResetScannerValues() {
  ClearScanResults();
  // Another tag: "Update Item" must not put the old result's piece into it.
  m_scanner.TagChanged();
  m_fScanValue = 0.01f;
  m_strScanTagChoice.clear();
  m_strScanClassChoice.clear();
}

void MapPanel::ClearScanResults() {
  jov::ScanClearResults(*m_treeScanResults);
  m_scanner.Clear();
}

void MapPanel::FillTagChoiceList() {
  if (m_bTagListFilled) return;
  m_comboScanTag->AddAllSorted(jov::FillTagList(m_map));
  m_bTagListFilled = true;
}

void MapPanel::EmptyTagChoiceList() {
  if (!m_bTagListFilled) return;
  const QString keep = m_comboScanTag->currentText();
  m_comboScanTag->clear();
  m_comboScanTag->setEditText(keep);
  m_bTagListFilled = false;
}

QString MapPanel::FileName() const {
  if (!m_map.m_bOpen) return QString();
  return QFileInfo(QString::fromLocal8Bit(m_map.m_strPath.c_str())).fileName();
}

void MapPanel::ApplyFilter() {
  m_treeTags->ApplyTagFilter(m_editFilter->text());
}

MapPanel::Place MapPanel::SavePlace() const {
  Place place;
  place.tag = SelectedTag();
  for (int row = 0; row < m_treeTags->topLevelItemCount(); ++row)
    if (m_treeTags->topLevelItem(row)->isExpanded()) place.expandedGroups.push_back(row);
  return place;
}

void MapPanel::RestorePlace(const Place& place) {
  // The bytes may have changed under every view of the tag.
  ForgetReferences();
  RestoreTreePlace(place);
  ShowTagViews(SelectedTag());
}

void MapPanel::RestoreTreePlace(const Place& place) {
  for (const int row : place.expandedGroups)
    if (QTreeWidgetItem* group = m_treeTags->topLevelItem(row)) group->setExpanded(true);
  ApplyFilter();
  if (!m_map.m_bOpen || !place.tag || *place.tag >= static_cast<int>(m_map.m_tags.size())) return;
  const jov::TreeItem item = m_map.GetTagEntry(*place.tag).hTreeItem;
  if (item == jov::kTreeRoot || QtTreeView::ItemOf(item)->isHidden()) return;
  {
    const QSignalBlocker blocker(m_treeTags);
    m_treeTags->Select(item);
  }
  m_treeTags->AcceptSelection();
  m_treeTags->scrollToItem(QtTreeView::ItemOf(item));
}

bool MapPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    if (button == Qt::BackButton || button == Qt::ForwardButton) {
      if (button == Qt::BackButton) GoBack();
      else GoForward();
      return true;
    }
    return QGroupBox::eventFilter(watched, event);
  }
  if (watched == m_editFilter) {
    if (event->type() == QEvent::FocusIn) m_treeTags->PrepareFilter();
    return QGroupBox::eventFilter(watched, event);
  }
  // Only the scanner's boxes scan on Enter: the views' viewports are watched
  // for the mouse, and a key an editor in them passes on is not a scan.
  const bool scannerBox = watched == m_editScanValue || watched == m_comboScanTag->lineEdit() ||
                          watched == m_comboScanClass->lineEdit();
  if (scannerBox && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      m_buttonScanMetadata->click();
      return true;
    }
  }
  return QGroupBox::eventFilter(watched, event);
}

namespace {

// The first local file a drop carries, or nothing.
QString DroppedFile(const QMimeData* mime) {
  if (!mime->hasUrls() || mime->urls().isEmpty() || !mime->urls().front().isLocalFile()) return QString();
  return mime->urls().front().toLocalFile();
}

}  // namespace

void MapPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::BackButton) GoBack();
  else if (event->button() == Qt::ForwardButton) GoForward();
  else QGroupBox::mousePressEvent(event);
}

void MapPanel::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MapPanel::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  emit FileDropped(path);
}
