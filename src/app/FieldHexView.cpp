#include "FieldHexView.h"

#include <algorithm>

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "FieldsView.h"
#include "fields/FieldTree.h"
#include "map/MapFile.h"
#include "map/ValueText.h"
#include "tools/HexEditorText.h"

namespace {

constexpr int kMargin = 4;  // pixels left of the offsets

bool Printable(unsigned char byte) { return byte >= 0x20 && byte < 0x7F; }

int HexDigit(const QString& text) {
  if (text.size() != 1) return -1;
  const char c = text[0].toLatin1();
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

FieldHexView::FieldHexView(FieldsView& fields, QWidget* parent) : QAbstractScrollArea(parent), m_fields(fields) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setToolTip(tr("The tag's metadata. Click a byte to find its field; type two hex digits over a byte (or a "
                "character in the text column) to write it."));
  connect(&m_fields, &FieldsView::Filled, this, &FieldHexView::OnFilled);
  connect(&m_fields, &FieldsView::CurrentNodeChanged, this, &FieldHexView::OnCurrentNodeChanged);
  OnFilled();
}

const std::vector<unsigned char>& FieldHexView::Bytes() const { return m_fields.Tree().bytes; }

std::uint32_t FieldHexView::Rows() const {
  return static_cast<std::uint32_t>((Bytes().size() + kBytesPerRow - 1) / kBytesPerRow);
}

std::pair<std::uint32_t, std::uint32_t> FieldHexView::Highlighted() const {
  const jov::FieldTree& tree = m_fields.Tree();
  if (m_node < 0 || m_node >= static_cast<int>(tree.nodes.size())) return {0, 0};
  const jov::FieldNode& node = tree.nodes[static_cast<std::size_t>(m_node)];
  // A field reaching past the metadata (a broken definition) is lit up to its end.
  const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{node.offset} + node.size, Bytes().size());
  if (node.offset >= end) return {node.offset, 0};
  return {node.offset, static_cast<std::uint32_t>(end - node.offset)};
}

void FieldHexView::UpdateGeometry() {
  const QFontMetrics metrics(font());
  m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
  m_rowHeight = std::max(1, metrics.lineSpacing());
  const std::size_t size = Bytes().size();
  m_offsetDigits = std::max<int>(4, static_cast<int>(jov::UIntToHex(size > 0 ? static_cast<std::uint32_t>(size - 1) : 0).size()));
  const int visibleRows = std::max(1, viewport()->height() / m_rowHeight);
  verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(Rows()) - visibleRows));
  verticalScrollBar()->setPageStep(visibleRows);
  verticalScrollBar()->setSingleStep(1);
  const int width = 2 * kMargin + (AsciiColumn() + kBytesPerRow) * m_charWidth;
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(m_charWidth);
}

QRect FieldHexView::ByteRect(std::uint32_t offset, bool ascii) const {
  const std::int64_t row = std::int64_t{offset / kBytesPerRow} - verticalScrollBar()->value();
  if (offset >= Bytes().size() || row < 0 || row * m_rowHeight >= viewport()->height()) return {};
  const int column = static_cast<int>(offset % kBytesPerRow);
  const int at = ascii ? AsciiColumn() + column : HexCharOf(column);
  return QRect(kMargin - horizontalScrollBar()->value() + at * m_charWidth, static_cast<int>(row) * m_rowHeight,
               (ascii ? 1 : 2) * m_charWidth, m_rowHeight);
}

std::optional<FieldHexView::Hit> FieldHexView::HitAt(const QPoint& at) const {
  const int x = at.x() + horizontalScrollBar()->value() - kMargin;
  if (x < 0 || at.y() < 0) return std::nullopt;
  const int character = x / m_charWidth;
  const std::uint64_t row = static_cast<std::uint64_t>(verticalScrollBar()->value()) + static_cast<std::uint64_t>(at.y() / m_rowHeight);
  int column = -1;
  bool ascii = false;
  if (character >= AsciiColumn() && character < AsciiColumn() + kBytesPerRow) {
    column = character - AsciiColumn();
    ascii = true;
  } else if (character >= HexColumn() && character < AsciiColumn() - 1) {
    // A byte's two digits and the space after them; the middle gap goes to the byte before it.
    for (column = kBytesPerRow - 1; column > 0 && character < HexCharOf(column); --column) {
    }
  }
  if (column < 0) return std::nullopt;
  const std::uint64_t offset = row * kBytesPerRow + static_cast<std::uint64_t>(column);
  if (offset >= Bytes().size()) return std::nullopt;
  return Hit{static_cast<std::uint32_t>(offset), ascii};
}

void FieldHexView::ScrollToByte(std::uint32_t offset) {
  const int row = static_cast<int>(offset / kBytesPerRow);
  const int first = verticalScrollBar()->value();
  const int visible = std::max(1, viewport()->height() / m_rowHeight);
  if (row < first) verticalScrollBar()->setValue(row);
  else if (row >= first + visible) verticalScrollBar()->setValue(row - visible + 1);
}

void FieldHexView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const std::vector<unsigned char>& bytes = Bytes();
  const QPalette& colors = palette();
  const int left = kMargin - horizontalScrollBar()->value();
  const auto first = static_cast<std::uint32_t>(verticalScrollBar()->value());
  const std::uint32_t shown = static_cast<std::uint32_t>(viewport()->height() / m_rowHeight) + 1;
  const std::uint32_t end = std::min(Rows(), first + shown);
  const auto [lit, litSize] = Highlighted();
  QColor litColor = colors.color(QPalette::Highlight);
  litColor.setAlpha(90);
  const int ascent = QFontMetrics(font()).ascent();
  for (std::uint32_t row = first; row < end; ++row) {
    const int y = static_cast<int>(row - first) * m_rowHeight;
    const std::uint32_t start = row * kBytesPerRow;
    const auto n = static_cast<int>(std::min<std::size_t>(kBytesPerRow, bytes.size() - start));
    // The current field's bytes on this row, in both columns.
    const std::uint64_t from = std::max<std::uint64_t>(lit, start);
    const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t{lit} + litSize, std::uint64_t{start} + static_cast<std::uint64_t>(n));
    if (from < to) {
      const int c0 = static_cast<int>(from - start);
      const int c1 = static_cast<int>(to - start) - 1;
      painter.fillRect(QRect(left + HexCharOf(c0) * m_charWidth, y, (HexCharOf(c1) + 2 - HexCharOf(c0)) * m_charWidth, m_rowHeight),
                       litColor);
      painter.fillRect(QRect(left + (AsciiColumn() + c0) * m_charWidth, y, (c1 - c0 + 1) * m_charWidth, m_rowHeight), litColor);
    }
    QString hex = QString::fromStdString(jov::SpacedHexOfBytes(bytes.data() + start, static_cast<std::size_t>(n)));
    if (n > kBytesPerRow / 2) hex.insert(3 * (kBytesPerRow / 2), QLatin1Char(' '));
    QString ascii(n, QLatin1Char('.'));
    for (int i = 0; i < n; ++i)
      if (Printable(bytes[start + static_cast<std::size_t>(i)])) ascii[i] = QLatin1Char(static_cast<char>(bytes[start + static_cast<std::size_t>(i)]));
    if (m_cursor && m_pendingDigit && *m_cursor / kBytesPerRow == row) {
      const int at = HexCharOf(static_cast<int>(*m_cursor % kBytesPerRow)) - HexColumn();
      hex[at] = QLatin1Char("0123456789abcdef"[*m_pendingDigit]);
      hex[at + 1] = QLatin1Char('_');
    }
    const QString offset = QString::fromStdString(jov::UIntToHex(start)).rightJustified(m_offsetDigits, QLatin1Char('0'));
    painter.setPen(colors.color(QPalette::Disabled, QPalette::Text));
    painter.drawText(left, y + ascent, offset);
    painter.setPen(colors.color(QPalette::Text));
    painter.drawText(left + HexColumn() * m_charWidth, y + ascent, hex);
    painter.drawText(left + AsciiColumn() * m_charWidth, y + ascent, ascii);
  }
  // The cursor: a box around its byte in the column typed into, a thin line
  // under it in the other.
  if (m_cursor) {
    const QRect typed = ByteRect(*m_cursor, m_cursorInAscii);
    const QRect other = ByteRect(*m_cursor, !m_cursorInAscii);
    if (!typed.isEmpty()) {
      painter.setPen(QPen(colors.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight), 1));
      painter.drawRect(typed.adjusted(0, 0, -1, -1));
      painter.drawLine(other.bottomLeft(), other.bottomRight());
    }
  }
}

void FieldHexView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateGeometry();
}

void FieldHexView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateGeometry();
}

void FieldHexView::OnFilled() {
  const jov::FieldTree& tree = m_fields.Tree();
  m_pendingDigit.reset();
  if (tree.tag != m_tag) {
    // Another tag: from its first byte.
    m_tag = tree.tag;
    m_cursor.reset();
    verticalScrollBar()->setValue(0);
  } else if (m_cursor && *m_cursor >= Bytes().size()) {
    m_cursor.reset();
  }
  // The same tag re-read (an edit, a reload) keeps the cursor and the scroll.
  m_node = m_fields.CurrentNode();
  UpdateGeometry();
  viewport()->update();
}

void FieldHexView::OnCurrentNodeChanged(int node) {
  m_node = node;
  if (!m_clicking) {
    // A field picked in the Fields view: the cursor goes to its first byte,
    // in view unless some of its bytes already are.
    const auto [at, size] = Highlighted();
    if (size > 0) {
      m_cursor = at;
      m_cursorInAscii = false;
      m_pendingDigit.reset();
      const int first = verticalScrollBar()->value();
      const int visible = std::max(1, viewport()->height() / m_rowHeight);
      const auto lastRow = static_cast<int>((std::uint64_t{at} + size - 1) / kBytesPerRow);
      if (lastRow < first || static_cast<int>(at / kBytesPerRow) >= first + visible) ScrollToByte(at);
    }
  }
  viewport()->update();
}

void FieldHexView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();  // the side buttons are the panel's Back and Forward
    return;
  }
  const std::optional<Hit> hit = HitAt(event->position().toPoint());
  if (!hit) return;
  m_cursor = hit->offset;
  m_cursorInAscii = hit->ascii;
  m_pendingDigit.reset();
  SelectFieldAtCursor();
  viewport()->update();
}

void FieldHexView::SelectFieldAtCursor() {
  m_clicking = true;
  m_fields.SelectNode(m_fields.Tree().NodeAt(*m_cursor));
  m_clicking = false;
}

void FieldHexView::MoveCursor(std::int64_t to) {
  if (Bytes().empty()) return;
  m_pendingDigit.reset();
  m_cursor = static_cast<std::uint32_t>(std::clamp<std::int64_t>(to, 0, static_cast<std::int64_t>(Bytes().size()) - 1));
  ScrollToByte(*m_cursor);
  SelectFieldAtCursor();
  viewport()->update();
}

void FieldHexView::WriteCursorByte(unsigned char value) {
  const std::uint32_t at = *m_cursor;
  m_pendingDigit.reset();
  viewport()->update();
  if (m_writer && m_writer(at, {value}) && m_cursor == at) MoveCursor(std::int64_t{at} + 1);
}

void FieldHexView::keyPressEvent(QKeyEvent* event) {
  // Alt with an arrow is the window's Back and Forward, not a move here.
  if (Bytes().empty() || (event->modifiers() & Qt::AltModifier)) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const std::int64_t at = m_cursor ? *m_cursor : 0;
  const std::int64_t page = std::int64_t{verticalScrollBar()->pageStep()} * kBytesPerRow;
  const bool control = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Left: MoveCursor(at - 1); return;
    case Qt::Key_Right: MoveCursor(at + 1); return;
    case Qt::Key_Up: MoveCursor(at - kBytesPerRow); return;
    case Qt::Key_Down: MoveCursor(at + kBytesPerRow); return;
    case Qt::Key_PageUp: MoveCursor(at - page); return;
    case Qt::Key_PageDown: MoveCursor(at + page); return;
    case Qt::Key_Home: MoveCursor(control ? 0 : at - at % kBytesPerRow); return;
    case Qt::Key_End:
      MoveCursor(control ? static_cast<std::int64_t>(Bytes().size()) : at - at % kBytesPerRow + kBytesPerRow - 1);
      return;
    case Qt::Key_Escape:
      if (m_pendingDigit) {
        m_pendingDigit.reset();
        viewport()->update();
        return;
      }
      break;
    default: break;
  }
  const QString text = event->text();
  if (!m_cursor && !text.isEmpty()) {
    const auto [lit, size] = Highlighted();
    m_cursor = size > 0 ? lit : 0;
  }
  if (m_cursorInAscii && text.size() == 1 && text[0].unicode() < 0x100 && Printable(static_cast<unsigned char>(text[0].unicode()))) {
    WriteCursorByte(static_cast<unsigned char>(text[0].unicode()));
    return;
  }
  const int digit = HexDigit(text);
  if (m_cursorInAscii || digit < 0 || control) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  if (m_pendingDigit) {
    WriteCursorByte(static_cast<unsigned char>(*m_pendingDigit << 4 | digit));
    return;
  }
  // A map open read-only, or a tag kept outside the map's file, refuses the
  // first digit already: the writer says why, as it does for a field's edit.
  const jov::CMapFile& map = m_fields.Map();
  const int tag = m_fields.Tree().tag;
  if (map.m_bReadOnly || (tag >= 0 && map.m_tags[static_cast<std::size_t>(tag)].eHome == jov::TagHome::Resource)) {
    WriteCursorByte(static_cast<unsigned char>(digit << 4 | (Bytes()[*m_cursor] & 0x0F)));
    return;
  }
  m_pendingDigit = digit;
  viewport()->update();
}

void FieldHexView::focusOutEvent(QFocusEvent* event) {
  // Half a byte typed is dropped, not written later somewhere else.
  m_pendingDigit.reset();
  viewport()->update();
  QAbstractScrollArea::focusOutEvent(event);
}
