#pragma once
#include <QStyledItemDelegate>

class FieldsView;
namespace jov {
struct FieldNode;
}

// The editor of a field's value by its type: a line edit for numbers starting
// from the shown text (angles in degrees, per-tick values per second), a combo
// box of option names as wide as the longest for enums, a combo box of the
// map's tags of the allowed classes for references, a line edit of at most 31
// bytes for strings, a check box per bit for flags. The value goes back through FieldsView::SetField.
class FieldDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit FieldDelegate(FieldsView& view);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const jov::FieldNode* NodeOf(const QModelIndex& index) const;
  FieldsView& m_view;
};
