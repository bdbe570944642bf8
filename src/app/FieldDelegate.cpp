#include "FieldDelegate.h"

#include <algorithm>
#include <limits>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "FieldsView.h"
#include "fields/FieldValue.h"
#include "map/MapFile.h"

namespace {

QString UnitSuffix(jov::FieldUnit unit) {
  if (unit == jov::FieldUnit::Radians) return QStringLiteral(" degrees");
  if (unit == jov::FieldUnit::PerTick) return QStringLiteral(" per second");
  return {};
}

// The flags field's bits as stored.
std::uint32_t FlagBits(const FieldsView& view, const jov::FieldNode& node) {
  const auto& bytes = view.Tree().bytes;
  std::uint32_t bits = 0;
  for (std::uint32_t i = 0; i < node.size && i < 4 && node.offset + i < bytes.size(); ++i)
    bits |= static_cast<std::uint32_t>(bytes[node.offset + i]) << (8 * i);
  return bits;
}

}  // namespace

FieldDelegate::FieldDelegate(FieldsView& view) : QStyledItemDelegate(&view), m_view(view) {}

const jov::FieldNode* FieldDelegate::NodeOf(const QModelIndex& index) const {
  const QVariant node = index.data(FieldsView::kNodeRole);
  if (!node.isValid() || node.toInt() < 0 || node.toInt() >= static_cast<int>(m_view.Tree().nodes.size())) return nullptr;
  return &m_view.Tree().nodes[static_cast<std::size_t>(node.toInt())];
}

QWidget* FieldDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const jov::FieldNode* node = NodeOf(index);
  if (!node) return QStyledItemDelegate::createEditor(parent, option, index);
  using jov::FieldType;
  switch (node->type) {
    // Numbers are typed as text: the editor starts from the shown text (the
    // shortest that reads back to the stored value) and hands what was typed
    // to the same reading jov-cli uses, so a value out of the type's range is
    // refused with the range, never rounded or cut to fit.
    case FieldType::Float:
    case FieldType::Angle:
    case FieldType::Int8:
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::UInt32: {
      auto* line = new QLineEdit(parent);
      line->setToolTip(UnitSuffix(node->unit).trimmed());
      return line;
    }
    case FieldType::Flags8:
    case FieldType::Flags16:
    case FieldType::Flags32: {
      // One check box per named bit, and one per set bit no name covers.
      auto* box = new QWidget(parent);
      box->setAutoFillBackground(true);
      auto* layout = new QVBoxLayout(box);
      layout->setContentsMargins(4, 2, 4, 2);
      layout->setSpacing(0);
      const std::uint32_t bits = FlagBits(m_view, *node);
      for (int bit = 0; bit < static_cast<int>(node->size * 8); ++bit) {
        const auto named = node->def ? node->def->names.find(bit) : decltype(node->def->names.end()){};
        const bool hasName = node->def && named != node->def->names.end();
        if (!hasName && !(bits >> bit & 1u)) continue;
        auto* check = new QCheckBox(hasName ? QString::fromStdString(named->second) : QStringLiteral("bit %1").arg(bit), box);
        check->setProperty("bitName", hasName ? QString::fromStdString(named->second) : QStringLiteral("bit_%1").arg(bit));
        check->setChecked(bits >> bit & 1u);
        layout->addWidget(check);
      }
      box->setFocusPolicy(Qt::StrongFocus);
      return box;
    }
    case FieldType::Enum8:
    case FieldType::Enum16:
    case FieldType::Enum32: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);  // a number no option names is typed
      if (node->def)
        for (const auto& [value, name] : node->def->names) combo->addItem(QString::fromStdString(name));
      // The pop-up is as wide as the longest name, whatever the column's width.
      combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 2 * combo->view()->frameWidth() + 24);
      return combo;
    }
    case FieldType::TagRef:
    case FieldType::TagId: {
      auto* combo = new QComboBox(parent);
      combo->addItem(QStringLiteral("none"));
      const jov::CMapFile& map = m_view.Map();
      QStringList tags;
      for (const jov::TagEntry& tag : map.m_tags) {
        const bool allowed = !node->def || node->def->classes.empty() ||
                             std::find(node->def->classes.begin(), node->def->classes.end(), tag.strClass1) != node->def->classes.end();
        if (allowed) tags << QString::fromStdString(tag.strClass1 + ":" + tag.strName);
      }
      tags.sort(Qt::CaseInsensitive);
      combo->addItems(tags);
      return combo;
    }
    default: {
      auto* line = new QLineEdit(parent);
      if (node->type == FieldType::String) line->setMaxLength(static_cast<int>(node->size) - 1);
      return line;
    }
  }
}

void FieldDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const jov::FieldNode* node = NodeOf(index);
  const QString shown = index.data(Qt::DisplayRole).toString();
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    const int at = combo->findText(shown);
    if (at >= 0) combo->setCurrentIndex(at);
    else if (combo->isEditable()) combo->setEditText(shown);
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    // Flags are typed as a comma list of bit names; "none" is no bit.
    line->setText(node && shown == QStringLiteral("none") ? QString() : shown);
  }
}

void FieldDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::updateEditorGeometry(editor, option, index);
  // The check boxes of a flags field open downwards from the row, as tall as
  // their bits need.
  if (!editor->findChildren<QCheckBox*>().isEmpty()) {
    QRect area = option.rect;
    area.setHeight(std::max(area.height(), editor->sizeHint().height()));
    area.setWidth(std::max(area.width(), editor->sizeHint().width()));
    editor->setGeometry(area);
  }
}

void FieldDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
  QString text;
  if (const auto checks = editor->findChildren<QCheckBox*>(); !checks.isEmpty()) {
    QStringList names;
    for (const QCheckBox* check : checks)
      if (check->isChecked()) names << check->property("bitName").toString();
    text = names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
  } else if (auto* combo = qobject_cast<QComboBox*>(editor)) text = combo->currentText();
  else if (auto* line = qobject_cast<QLineEdit*>(editor)) text = line->text();
  // Unchanged (the shown text, or the blanks around it): nothing to write, no step.
  if (text.trimmed() == index.data(Qt::DisplayRole).toString()) return;
  m_view.SetField(index.data(FieldsView::kPathRole).toString().toStdString(), text);
}
