#include "CCompareMapsDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <optional>

namespace {

QString Latin1(const std::string& bytes) { return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())); }

// Where a tag's metadata starts in one map, empty when that map lacks the tag.
QString OffsetCell(const std::optional<std::uint32_t>& offset) {
  return offset ? QStringLiteral("0x") + QString::number(*offset, 16) : QString();
}

}  // namespace

CCompareMapsDlg::CCompareMapsDlg(const jov::MapComparison& comparison,
                                 std::function<void(const jov::TagDifference&)> onPick, std::function<void()> onSave,
                                 QWidget* parent)
    : QDialog(parent), m_comparison(comparison), m_table(new QTableWidget(this)) {
  setWindowTitle(QStringLiteral("Compare Map 1 with Map 2"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Latin1(jov::SummaryLine(comparison)), this));
  for (const jov::FieldChange& change : comparison.header) layout->addWidget(new QLabel(Latin1(jov::HeaderLine(change)), this));

  m_table->setColumnCount(7);
  m_table->setHorizontalHeaderLabels({QStringLiteral("State"), QStringLiteral("Class"), QStringLiteral("Name"),
                                      QStringLiteral("Ranges"), QStringLiteral("Bytes"), QStringLiteral("Metadata in Map 1"),
                                      QStringLiteral("Metadata in Map 2")});
  m_table->setRowCount(static_cast<int>(comparison.tags.size()));
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->verticalHeader()->hide();
  for (int row = 0; row < m_table->rowCount(); ++row) {
    const jov::TagDifference& tag = comparison.tags[static_cast<std::size_t>(row)];
    // A rename is one row with both names.
    const bool renamed = !tag.secondName.empty();
    const QString cells[] = {renamed ? QStringLiteral("renamed") : QString::fromLatin1(jov::StateText(tag.state)),
                             Latin1(tag.class1),
                             renamed ? Latin1(tag.name) + QStringLiteral(" -> ") + Latin1(tag.secondName) : Latin1(tag.name),
                             QString::number(tag.ranges.size()),
                             QString::number(tag.ChangedBytes()),
                             OffsetCell(tag.metaFirst),
                             OffsetCell(tag.metaSecond)};
    for (int column = 0; column < 7; ++column) m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
  }
  m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  layout->addWidget(m_table);
  connect(m_table, &QTableWidget::cellDoubleClicked, this, [this, onPick = std::move(onPick)](int row, int) {
    onPick(m_comparison.tags[static_cast<std::size_t>(row)]);
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* save = buttons->addButton(QStringLiteral("Save as Patch..."), QDialogButtonBox::ActionRole);
  connect(save, &QPushButton::clicked, this, [onSave = std::move(onSave)] { onSave(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(760, 480);
}
