#include "CCheckMapDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <utility>

CCheckMapDlg::CCheckMapDlg(const QString& title, const jov::CheckReport& report, std::function<void(int tag)> selectTag,
                           QWidget* parent)
    : QDialog(parent), m_selectTag(std::move(selectTag)) {
  setWindowTitle(title);
  m_table = new QTableWidget(static_cast<int>(report.findings.size()), 3, this);
  m_table->setHorizontalHeaderLabels({QStringLiteral("Severity"), QStringLiteral("Where"), QStringLiteral("What")});
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->verticalHeader()->setVisible(false);
  m_table->horizontalHeader()->setStretchLastSection(true);
  for (int row = 0; row < static_cast<int>(report.findings.size()); ++row) {
    const jov::Finding& f = report.findings[static_cast<std::size_t>(row)];
    // Map bytes (tag names) are shown as Latin-1, one character per byte.
    const QString cells[] = {QString::fromLatin1(jov::SeverityText(f.severity)),
                             QString::fromLatin1(f.where.data(), static_cast<qsizetype>(f.where.size())),
                             QString::fromLatin1(f.what.data(), static_cast<qsizetype>(f.what.size()))};
    for (int column = 0; column < 3; ++column) m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
    m_rowTags.push_back(f.tag);
  }
  m_table->resizeColumnToContents(0);
  m_table->setColumnWidth(1, 320);
  connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OnRowDoubleClicked(row); });

  m_summary = new QLabel(QString::fromStdString(jov::SummaryLine(report)), this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_table);
  layout->addWidget(m_summary);
  layout->addWidget(buttons);
  resize(900, 420);
}

void CCheckMapDlg::OnRowDoubleClicked(int row) {
  if (row < 0 || row >= static_cast<int>(m_rowTags.size())) return;
  const int tag = m_rowTags[static_cast<std::size_t>(row)];
  if (tag >= 0 && m_selectTag) m_selectTag(tag);
}
