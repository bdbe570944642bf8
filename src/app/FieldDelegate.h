#pragma once
#include <QStyledItemDelegate>

class FieldsView;
namespace jov {
struct FieldNode;
}

// The editor of a field's value by its type: spin boxes for numbers (angles in
// degrees, per-tick values per second, with their unit as suffix), a combo box
// of option names for enums, a combo box of the map's tags of the allowed
// classes for references, a line edit of at most 31 bytes for strings, a comma
// list of bit names for flags. The value goes back through FieldsView::SetField.
class FieldDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit FieldDelegate(FieldsView& view);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  const jov::FieldNode* NodeOf(const QModelIndex& index) const;
  FieldsView& m_view;
};
