#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"

class QLineEdit;
class QSortFilterProxyModel;
class QStandardItem;
class QStandardItemModel;
class QTreeView;
class QModelIndex;

namespace jov {
class CMapFile;
}

// The "Fields" view: the selected tag shown as its fields by its class
// definition, Name / Value / Type / Offset, blocks expanding to their entries,
// a filter box above that finds a field by name. A value is edited in place
// (FieldDelegate); each edit is one plan through the executor and one history
// step "Set PATH of CLASS:NAME". Double-clicking a reference asks for that tag
// to be selected (TagActivated).
class FieldsView : public QWidget {
  Q_OBJECT

 public:
  enum Column { kName, kValue, kType, kOffset, kColumns };
  // Roles of the Value column's items.
  static constexpr int kPathRole = Qt::UserRole + 1;
  static constexpr int kNodeRole = Qt::UserRole + 2;

  explicit FieldsView(jov::CMapFile& map, QWidget* parent = nullptr);

  // The definitions used (the built-in and the user's folder by default).
  void SetDefinitions(std::shared_ptr<const jov::DefinitionSet> definitions);
  const jov::DefinitionSet& Definitions();
  // Who writes a field: the window, which plans the edit, applies it, reports a
  // refusal and re-reads its views. True when written. Without one no field
  // is written.
  using Writer = std::function<bool(const std::string& path, const QString& text)>;
  void SetWriter(Writer writer) { m_writer = std::move(writer); }
  // Who opens the hex editor on a field's bytes (metadata offset, size): the
  // context menu's Show Bytes.
  using BytesShower = std::function<void(std::uint32_t offset, std::uint32_t size)>;
  void SetBytesShower(BytesShower shower) { m_showBytes = std::move(shower); }
  // Shows tag's fields; none (or a closed map) empties the view.
  void ShowTag(std::optional<int> tag);
  const jov::FieldTree& Tree() const { return m_tree; }
  jov::CMapFile& Map() { return m_map; }
  // Writes text (display units) into the field at path as one plan; a refused
  // value is shown in a message and nothing is written. True when written.
  bool SetField(const std::string& path, const QString& text);

  QTreeView* View() const { return m_view; }
  QLineEdit* Filter() const { return m_filter; }

  // The node of Tree() whose row is current, or -1.
  int CurrentNode() const;
  // Makes node's row current (-1: none), its blocks opened and the row
  // scrolled into view; a filter that hides it is cleared. Nothing happens
  // for a node no row shows (a hidden one).
  void SelectNode(int node);

 signals:
  void TagActivated(int tag);
  // The rows were filled again from Tree(): another tag, a re-read, an edit.
  void Filled();
  // The user (or SelectNode) moved to another row; not sent while filling.
  void CurrentNodeChanged(int node);

 private:
  void Fill();
  void Rebuild();
  void OnDoubleClicked(const QModelIndex& index);
  // The field path a row of the view shows.
  QString PathOf(const QModelIndex& index) const;
  // Copy Path, Copy Value, Revert This Field, Show Bytes for the row at.
  void OnContextMenu(const QPoint& at);

  jov::CMapFile& m_map;
  std::shared_ptr<const jov::DefinitionSet> m_definitions;
  std::optional<int> m_tag;
  std::optional<int> m_filledTag;  // the tag the rows show
  Writer m_writer;
  BytesShower m_showBytes;
  // Each field's shown value when its tag was selected: what Revert puts back.
  std::map<QString, QString> m_original;
  bool m_writing = false;  // a value is being written from its open editor
  bool m_filling = false;
  // Each node's Name item, null for the hidden ones, while the rows stand.
  std::vector<QStandardItem*> m_rows;
  jov::FieldTree m_tree;
  QLineEdit* m_filter = nullptr;
  QTreeView* m_view = nullptr;
  QStandardItemModel* m_model = nullptr;
  QSortFilterProxyModel* m_proxy = nullptr;
};
