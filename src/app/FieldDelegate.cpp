#include "FieldDelegate.h"

#include <algorithm>
#include <limits>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include "FieldsView.h"
#include "fields/FieldValue.h"
#include "map/MapFile.h"

namespace {

QString UnitSuffix(jov::FieldUnit unit) {
  if (unit == jov::FieldUnit::Radians) return QStringLiteral(" degrees");
  if (unit == jov::FieldUnit::PerTick) return QStringLiteral(" per second");
  return {};
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
    case FieldType::Float:
    case FieldType::Angle: {
      auto* spin = new QDoubleSpinBox(parent);
      spin->setDecimals(6);
      spin->setRange(-std::numeric_limits<float>::max(), std::numeric_limits<float>::max());
      spin->setSuffix(UnitSuffix(node->unit));
      return spin;
    }
    case FieldType::Int8:
    case FieldType::Int16:
    case FieldType::Int32: {
      auto* spin = new QSpinBox(parent);
      const int bits = static_cast<int>(node->size * 8);
      spin->setRange(bits >= 32 ? std::numeric_limits<int>::min() : -(1 << (bits - 1)),
                     bits >= 32 ? std::numeric_limits<int>::max() : (1 << (bits - 1)) - 1);
      return spin;
    }
    case FieldType::Enum8:
    case FieldType::Enum16:
    case FieldType::Enum32: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);  // a number no option names is typed
      if (node->def)
        for (const auto& [value, name] : node->def->names) combo->addItem(QString::fromStdString(name));
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
  if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor)) spin->setValue(shown.toDouble());
  else if (auto* ints = qobject_cast<QSpinBox*>(editor)) ints->setValue(shown.toInt());
  else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    const int at = combo->findText(shown);
    if (at >= 0) combo->setCurrentIndex(at);
    else if (combo->isEditable()) combo->setEditText(shown);
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    // Flags are typed as a comma list of bit names; "none" is no bit.
    line->setText(node && shown == QStringLiteral("none") ? QString() : shown);
  }
}

void FieldDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
  QString text;
  if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor)) text = QString::number(spin->value(), 'g', 9);
  else if (auto* ints = qobject_cast<QSpinBox*>(editor)) text = QString::number(ints->value());
  else if (auto* combo = qobject_cast<QComboBox*>(editor)) text = combo->currentText();
  else if (auto* line = qobject_cast<QLineEdit*>(editor)) text = line->text();
  if (text == index.data(Qt::DisplayRole).toString()) return;  // unchanged: no step
  m_view.SetField(index.data(FieldsView::kPathRole).toString().toStdString(), text);
}
