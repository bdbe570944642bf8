#include "FieldsView.h"

#include <functional>
#include <map>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSet>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "FieldDelegate.h"
#include "fields/FieldValue.h"
#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/FileError.h"

FieldsView::FieldsView(jov::CMapFile& map, QWidget* parent) : QWidget(parent), m_map(map) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_filter = new QLineEdit(this);
  m_filter->setPlaceholderText(tr("Find a field by name"));
  m_filter->setClearButtonEnabled(true);
  m_model = new QStandardItemModel(0, kColumns, this);
  m_model->setHorizontalHeaderLabels({tr("Name"), tr("Value"), tr("Type"), tr("Offset")});
  m_proxy = new QSortFilterProxyModel(this);
  m_proxy->setSourceModel(m_model);
  m_proxy->setFilterKeyColumn(kName);
  m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
  m_proxy->setRecursiveFilteringEnabled(true);
  m_view = new QTreeView(this);
  m_view->setModel(m_proxy);
  m_view->setItemDelegateForColumn(kValue, new FieldDelegate(*this));
  m_view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  m_view->setUniformRowHeights(true);
  m_view->header()->setSectionResizeMode(QHeaderView::Interactive);
  layout->addWidget(m_filter);
  layout->addWidget(m_view);
  connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
    m_proxy->setFilterFixedString(text);
    if (!text.isEmpty()) m_view->expandAll();
  });
  connect(m_view, &QTreeView::doubleClicked, this, &FieldsView::OnDoubleClicked);
  m_view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_view, &QWidget::customContextMenuRequested, this, &FieldsView::OnContextMenu);
  connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    if (!m_filling) emit CurrentNodeChanged(CurrentNode());
  });
}

int FieldsView::CurrentNode() const {
  const QVariant node = m_view->currentIndex().siblingAtColumn(kValue).data(kNodeRole);
  return node.isValid() ? node.toInt() : -1;
}

void FieldsView::SelectNode(int node) {
  if (node < 0 || node >= static_cast<int>(m_rows.size())) {
    m_view->setCurrentIndex(QModelIndex());
    return;
  }
  QStandardItem* row = m_rows[static_cast<std::size_t>(node)];
  if (!row) return;
  QModelIndex index = m_proxy->mapFromSource(m_model->indexFromItem(row));
  if (!index.isValid()) {  // filtered out
    m_filter->clear();
    index = m_proxy->mapFromSource(m_model->indexFromItem(row));
  }
  for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) m_view->expand(parent);
  m_view->setCurrentIndex(index);
  m_view->scrollTo(index);
}

void FieldsView::OnContextMenu(const QPoint& at) {
  const QModelIndex index = m_view->indexAt(at);
  if (!index.isValid()) return;
  const QModelIndex value = index.siblingAtColumn(kValue);
  const QVariant nodeIndex = value.data(kNodeRole);
  if (!nodeIndex.isValid()) return;
  const jov::FieldNode node = m_tree.nodes[static_cast<std::size_t>(nodeIndex.toInt())];
  const QString path = QString::fromStdString(node.path);
  const QString shown = value.data().toString();
  QMenu menu(this);
  connect(menu.addAction(tr("Copy Path")), &QAction::triggered, this, [path] { QGuiApplication::clipboard()->setText(path); });
  connect(menu.addAction(tr("Copy Value")), &QAction::triggered, this, [shown] { QGuiApplication::clipboard()->setText(shown); });
  // Revert: the value the field had when the tag was selected.
  QAction* revert = menu.addAction(tr("Revert This Field"));
  const auto original = m_original.find(path);
  revert->setEnabled(original != m_original.end() && original->second != shown && (value.flags() & Qt::ItemIsEditable));
  if (revert->isEnabled()) {
    const QString before = original->second;
    connect(revert, &QAction::triggered, this, [this, path, before] { SetField(path.toStdString(), before); });
  }
  QAction* bytes = menu.addAction(tr("Show Bytes"));
  bytes->setEnabled(static_cast<bool>(m_showBytes) && !node.entry);
  if (bytes->isEnabled()) {
    const std::uint32_t offset = node.offset;
    const std::uint32_t size = node.size;
    connect(bytes, &QAction::triggered, this, [this, offset, size] { m_showBytes(offset, size); });
  }
  menu.exec(m_view->viewport()->mapToGlobal(at));
}

void FieldsView::SetDefinitions(std::shared_ptr<const jov::DefinitionSet> definitions) {
  m_definitions = std::move(definitions);
  ShowTag(m_tag);
}

const jov::DefinitionSet& FieldsView::Definitions() {
  if (!m_definitions) m_definitions = std::make_shared<const jov::DefinitionSet>(jov::LoadDefinitions());
  return *m_definitions;
}

void FieldsView::ShowTag(std::optional<int> tag) {
  m_tag = tag;
  // An edit in place is written while its editor is still open: the rows under
  // it are rebuilt once it has closed, and until then the tree they index stays.
  if (m_writing) {
    QTimer::singleShot(0, this, [this] { ShowTag(m_tag); });
    return;
  }
  Rebuild();
}

void FieldsView::Rebuild() {
  const std::optional<int> tag = m_tag;
  m_tree = jov::FieldTree{};
  if (tag && m_map.m_bOpen && *tag >= 0 && *tag < static_cast<int>(m_map.m_tags.size())) {
    try {
      m_tree = jov::BuildFieldTree(m_map, *tag, Definitions().Find(m_map.m_tags[static_cast<std::size_t>(*tag)].strClass1));
    } catch (const jov::Refused& e) {
      m_tree.messages.push_back(e.what());
    } catch (const jov::FileError& e) {
      m_tree.messages.push_back(e.what());
    }
  }
  Fill();
}

namespace {

// Every row of the proxy model below parent, depth first.
void ForEachRow(const QAbstractItemModel& model, const QModelIndex& parent, const std::function<void(const QModelIndex&)>& visit) {
  for (int row = 0; row < model.rowCount(parent); ++row) {
    const QModelIndex index = model.index(row, 0, parent);
    visit(index);
    ForEachRow(model, index, visit);
  }
}

}  // namespace

QString FieldsView::PathOf(const QModelIndex& index) const {
  return index.siblingAtColumn(kValue).data(kPathRole).toString();
}

void FieldsView::Fill() {
  // The same tag filled again (after an edit, a rescan, a re-read): the open
  // blocks, the selected field, the scroll position and the column widths
  // stay as the user left them.
  const bool sameTag = m_filledTag == m_tag && m_tag.has_value();
  QSet<QString> expanded;
  QString current;
  QList<int> widths;
  const int scroll = m_view->verticalScrollBar()->value();
  if (sameTag) {
    ForEachRow(*m_proxy, QModelIndex(), [&](const QModelIndex& index) {
      if (m_view->isExpanded(index)) expanded.insert(PathOf(index));
    });
    if (m_view->currentIndex().isValid()) current = PathOf(m_view->currentIndex());
    for (int column = 0; column < kColumns; ++column) widths << m_view->columnWidth(column);
  }
  m_filledTag = m_tag;
  m_filling = true;
  m_model->removeRows(0, m_model->rowCount());
  m_rows.assign(m_tree.nodes.size(), nullptr);
  const QColor greyed = palette().color(QPalette::Disabled, QPalette::Text);
  // A section title (a plugin's comment) holds the fields after it, up to the
  // next title of the same block: the rows a plugin groups, grouped here too.
  // Only the rows move: a field's path stays its block's.
  std::map<int, QStandardItem*> titles;  // by the block node the title stands in (-1: the tag)
  std::vector<QStandardItem*> titleRows;
  for (std::size_t i = 0; i < m_tree.nodes.size(); ++i) {
    const jov::FieldNode& node = m_tree.nodes[i];
    if (node.hidden) continue;
    QList<QStandardItem*> row;
    auto* name = new QStandardItem(QString::fromStdString(node.name));
    // What the definition says of the field (a plugin's tooltip, a section's text) under its path.
    // What the name does not say: the definition's own words when it has
    // them, and where the field lies.
    QString tip = QStringLiteral("%1\n%2, %3 bytes at 0x%4")
                      .arg(QString::fromStdString(node.path), QString::fromStdString(jov::TypeText(node)))
                      .arg(node.size)
                      .arg(QString::fromStdString(jov::UIntToHex(node.offset)));
    if (node.def && !node.def->tooltip.empty()) tip = QString::fromStdString(node.def->tooltip) + QStringLiteral("\n\n") + tip;
    name->setToolTip(tip);
    auto* value = new QStandardItem(QString::fromStdString(jov::DisplayText(m_tree, node)));
    value->setData(QString::fromStdString(node.path), kPathRole);
    value->setData(static_cast<int>(i), kNodeRole);
    const bool editable = !node.entry && !node.readOnly && node.error.empty() && node.type != jov::FieldType::Block &&
                          node.type != jov::FieldType::DataRef && node.type != jov::FieldType::Comment;
    value->setEditable(editable && !m_map.m_bReadOnly);
    if (editable && m_map.m_bReadOnly) value->setToolTip(tr("This map is open read-only."));
    if (!node.error.empty()) value->setToolTip(QString::fromStdString(node.error));
    else if (!(editable && m_map.m_bReadOnly)) value->setToolTip(tip);
    auto* type = new QStandardItem(QString::fromStdString(jov::TypeText(node)));
    auto* offset = new QStandardItem("0x" + QString::fromStdString(jov::UIntToHex(node.offset)));
    row << name << value << type << offset;
    for (QStandardItem* item : row) {
      if (item != value) item->setEditable(false);
      if (node.readOnly) item->setForeground(greyed);
    }
    m_rows[i] = name;
    QStandardItem* parent = node.parent >= 0 ? m_rows[static_cast<std::size_t>(node.parent)] : nullptr;
    const auto title = titles.find(node.parent);
    if (node.type != jov::FieldType::Comment && title != titles.end()) parent = title->second;
    if (parent) parent->appendRow(row);
    else m_model->appendRow(row);
    if (node.type == jov::FieldType::Comment) {
      if (node.def && !node.def->title.empty()) name->setText(QString::fromStdString(node.def->title));
      QFont bold = name->font();
      bold.setBold(true);
      name->setFont(bold);
      titles[node.parent] = name;
      titleRows.push_back(name);
    }
  }
  for (const std::string& message : m_tree.messages) {
    auto* note = new QStandardItem(QString::fromStdString(message));
    note->setEditable(false);
    note->setForeground(greyed);
    m_model->insertRow(0, QList<QStandardItem*>{note});
    m_view->setFirstColumnSpanned(0, QModelIndex(), true);
  }
  if (!sameTag) {
    // Titles open: they group the rows, they do not hide them.
    for (QStandardItem* title : titleRows) m_view->setExpanded(m_proxy->mapFromSource(title->index()), true);
    m_original.clear();
    ForEachRow(*m_proxy, QModelIndex(), [&](const QModelIndex& index) {
      m_original[PathOf(index)] = index.siblingAtColumn(kValue).data().toString();
    });
    m_view->resizeColumnToContents(kName);
    m_filling = false;
    emit Filled();
    return;
  }
  ForEachRow(*m_proxy, QModelIndex(), [&](const QModelIndex& index) {
    const QString path = PathOf(index);
    if (expanded.contains(path)) m_view->setExpanded(index, true);
    if (!current.isEmpty() && path == current) m_view->setCurrentIndex(index);
  });
  for (int column = 0; column < kColumns; ++column) m_view->setColumnWidth(column, widths[column]);
  m_view->verticalScrollBar()->setValue(scroll);
  m_filling = false;
  emit Filled();
}

bool FieldsView::SetField(const std::string& path, const QString& text) {
  // Only the window writes maps (through its documents); a view without a
  // writer shows its fields and changes none.
  if (!m_writer) return false;
  m_writing = true;
  const bool written = m_writer(path, text);
  m_writing = false;
  return written;
}

void FieldsView::OnDoubleClicked(const QModelIndex& index) {
  const QModelIndex value = m_proxy->mapToSource(index.siblingAtColumn(kValue));
  const QVariant node = m_model->data(value, kNodeRole);
  if (!node.isValid()) return;
  const jov::FieldNode& field = m_tree.nodes[static_cast<std::size_t>(node.toInt())];
  if ((field.type == jov::FieldType::TagRef || field.type == jov::FieldType::TagId) && field.refTag && index.column() != kValue) {
    emit TagActivated(*field.refTag);
    return;
  }
  if (m_model->itemFromIndex(value)->isEditable()) m_view->edit(index.siblingAtColumn(kValue));
}
