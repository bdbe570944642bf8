#include "COffsetSwapDlg.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>
#include <string>

#include "map/TagFilter.h"
#include "platform/AlphaOrder.h"

COffsetSwapDlg::COffsetSwapDlg(const std::vector<jov::OffsetSwapItem>& list, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Offset Swap"));

  m_treeTags = new QTreeWidget(this);
  m_treeTags->setHeaderHidden(true);
  m_treeTags->setColumnCount(1);
  m_treeTags->setRootIsDecorated(false);
  m_treeTags->setItemsExpandable(false);
  m_treeTags->setUniformRowHeights(true);
  m_treeTags->setSelectionMode(QAbstractItemView::SingleSelection);
  m_treeTags->setMouseTracking(true);  // the line under the mouse is highlighted

  // The editor's alphabetical order; equal lines (two tags of one class and
  // name) keep index order.
  std::vector<std::string> texts;
  texts.reserve(list.size());
  for (const auto& item : list) texts.push_back(jov::OffsetSwapText(item));
  std::vector<std::size_t> order(list.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return jov::AlphaLess(texts[a], texts[b]); });
  QList<QTreeWidgetItem*> lines;
  lines.reserve(static_cast<qsizetype>(order.size()));
  for (const std::size_t index : order) {
    auto* line = new QTreeWidgetItem;
    line->setText(0, QString::fromLatin1(texts[index].data(), static_cast<qsizetype>(texts[index].size())));
    line->setData(0, Qt::UserRole, static_cast<int>(index));
    lines.append(line);
  }
  m_treeTags->addTopLevelItems(lines);
  connect(m_treeTags, &QTreeWidget::itemSelectionChanged, this, &COffsetSwapDlg::OnSelectionChanged);

  m_editFilter = new QLineEdit(this);
  m_editFilter->setPlaceholderText(QStringLiteral("Find tag"));
  m_editFilter->setClearButtonEnabled(true);
  connect(m_editFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
    const jov::TagFilter filter(text.toLatin1().toStdString());
    for (int i = 0; i < m_treeTags->topLevelItemCount(); ++i) {
      QTreeWidgetItem* line = m_treeTags->topLevelItem(i);
      const bool shown = filter.Matches(line->text(0).toLatin1().toStdString());
      if (line->isHidden() == shown) line->setHidden(!shown);
    }
  });

  m_buttonSwap = new QPushButton(QStringLiteral("Swap"), this);
  m_buttonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_buttonSwap->setDefault(true);
  m_buttonCancel->setAutoDefault(false);
  connect(m_buttonSwap, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_buttonCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_buttonSwap);
  buttons->addWidget(m_buttonCancel);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_editFilter);
  layout->addWidget(m_treeTags, 1);
  layout->addLayout(buttons);
  resize(460, 330);
}

void COffsetSwapDlg::OnSelectionChanged() {
  const QList<QTreeWidgetItem*> selected = m_treeTags->selectedItems();
  if (selected.isEmpty())
    m_nSelected.reset();
  else
    m_nSelected = selected.front()->data(0, Qt::UserRole).toInt();
}
