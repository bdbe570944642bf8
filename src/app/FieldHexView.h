#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QAbstractScrollArea>

class FieldsView;

// The selected tag's metadata as hex below the Fields view: offsets, 16 bytes
// a row, the same bytes as ASCII. It shows the bytes of the tree the Fields
// view holds, so it follows that view's tag and every re-read of it; only the
// rows in view are painted, so a tag of megabytes costs what a small one does.
//
// The current field's bytes are highlighted; a click on a byte (or the cursor
// moved onto it) makes the deepest field holding it current in the Fields view. Two hex digits typed
// over a byte (or a character in the ASCII column) write that byte through
// the writer, which plans and applies it like a field edit.
class FieldHexView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kBytesPerRow = 16;

  explicit FieldHexView(FieldsView& fields, QWidget* parent = nullptr);

  // Who writes bytes over the tag's metadata at offset: true when written.
  // Without one nothing is written.
  using Writer = std::function<bool(std::uint32_t offset, const std::vector<unsigned char>& bytes)>;
  void SetWriter(Writer writer) { m_writer = std::move(writer); }

  // The byte under the keyboard cursor, and the highlighted range (the current
  // field's bytes: offset, size; size 0 for none).
  std::optional<std::uint32_t> Cursor() const { return m_cursor; }
  std::pair<std::uint32_t, std::uint32_t> Highlighted() const;
  // Where byte offset is drawn in the viewport, in the hex or the ASCII
  // column; an empty rectangle when its row is out of view.
  QRect ByteRect(std::uint32_t offset, bool ascii) const;
  // Brings byte offset's row into view.
  void ScrollToByte(std::uint32_t offset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Hit {
    std::uint32_t offset;
    bool ascii;
  };
  const std::vector<unsigned char>& Bytes() const;
  std::uint32_t Rows() const;
  // Column positions in characters from the left edge.
  int HexColumn() const { return m_offsetDigits + 2; }
  int HexCharOf(int column) const { return HexColumn() + 3 * column + (column >= kBytesPerRow / 2 ? 1 : 0); }
  int AsciiColumn() const { return HexCharOf(kBytesPerRow) + 1; }
  std::optional<Hit> HitAt(const QPoint& at) const;
  void UpdateGeometry();
  void OnFilled();
  void OnCurrentNodeChanged(int node);
  // The cursor moved there (kept inside the metadata) and its field selected.
  void MoveCursor(std::int64_t to);
  // The deepest field holding the cursor's byte made current in the Fields view.
  void SelectFieldAtCursor();
  // Writes value over the byte under the cursor and moves past it.
  void WriteCursorByte(unsigned char value);

  FieldsView& m_fields;
  Writer m_writer;
  int m_tag = -1;  // the tag whose bytes are shown
  int m_node = -1;  // the Fields view's current node
  std::optional<std::uint32_t> m_cursor;
  bool m_cursorInAscii = false;
  std::optional<int> m_pendingDigit;  // the first of two digits typed over the cursor's byte
  bool m_clicking = false;  // the Fields view follows the cursor here: no jump back
  int m_offsetDigits = 4;
  int m_charWidth = 1;
  int m_rowHeight = 1;
};
