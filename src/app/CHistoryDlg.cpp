#include "CHistoryDlg.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { kTime, kMap, kLabel, kBytes, kState, kColumns };

QTableWidgetItem* Cell(const QString& text) {
  auto* cell = new QTableWidgetItem(text);
  cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return cell;
}

}  // namespace

QString HistoryTimeText(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString HistoryStateText(jov::StepState state) {
  switch (state) {
    case jov::StepState::Done: return QString();
    case jov::StepState::Undone: return QStringLiteral("undone");
    default: return QStringLiteral("incomplete");
  }
}

CHistoryDlg::CHistoryDlg(Actions actions, QWidget* parent) : QDialog(parent), m_actions(std::move(actions)) {
  setWindowTitle(QStringLiteral("History"));

  m_tableSteps = new QTableWidget(0, kColumns, this);
  m_tableSteps->setHorizontalHeaderLabels(
      {QStringLiteral("Time"), QStringLiteral("Map"), QStringLiteral("Step"), QStringLiteral("Bytes"),
       QStringLiteral("State")});
  m_tableSteps->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_tableSteps->setSelectionMode(QAbstractItemView::SingleSelection);
  m_tableSteps->verticalHeader()->hide();
  m_tableSteps->horizontalHeader()->setSectionResizeMode(kLabel, QHeaderView::Stretch);
  m_tableSteps->setWordWrap(false);
  connect(m_tableSteps, &QTableWidget::itemSelectionChanged, this, &CHistoryDlg::UpdateButtons);

  m_labelEmpty = new QLabel(QStringLiteral("No edits of the open maps are recorded."), this);

  m_buttonUndoTo = new QPushButton(QStringLiteral("&Undo to Here"), this);
  m_buttonUndoTo->setToolTip(QStringLiteral("Take back the selected step and every step after it"));
  m_buttonClear = new QPushButton(QStringLiteral("C&lear History"), this);
  m_buttonClear->setToolTip(QStringLiteral("Forget the recorded steps of the open maps (the maps stay as they are)"));
  m_buttonClose = new QPushButton(QStringLiteral("Close"), this);
  m_buttonClose->setDefault(true);

  m_spinLimit = new QSpinBox(this);
  m_spinLimit->setRange(1, 1024 * 1024);
  m_spinLimit->setSuffix(QStringLiteral(" MB"));
  m_spinLimit->setValue(static_cast<int>(m_actions.limitMb()));
  m_spinLimit->setToolTip(QStringLiteral("The most the history keeps for each map; the oldest steps go first"));
  auto* limitLabel = new QLabel(QStringLiteral("&Keep at most"), this);
  limitLabel->setBuddy(m_spinLimit);
  connect(m_spinLimit, &QSpinBox::editingFinished, this,
          [this] { m_actions.setLimitMb(static_cast<std::uint64_t>(m_spinLimit->value())); });

  connect(m_buttonUndoTo, &QPushButton::clicked, this, [this] {
    const std::int64_t step = SelectedStep();
    if (step < 0) return;
    m_actions.undoTo(step);
    Fill();
  });
  connect(m_buttonClear, &QPushButton::clicked, this, [this] {
    m_actions.clear();
    Fill();
  });
  connect(m_buttonClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_buttonUndoTo);
  buttons->addWidget(m_buttonClear);
  buttons->addStretch(1);
  buttons->addWidget(limitLabel);
  buttons->addWidget(m_spinLimit);
  buttons->addWidget(m_buttonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tableSteps, 1);
  layout->addWidget(m_labelEmpty);
  layout->addLayout(buttons);
  resize(760, 420);
  Fill();
}

void CHistoryDlg::Fill() {
  m_steps = m_actions.steps();
  m_tableSteps->setRowCount(0);
  m_tableSteps->setRowCount(static_cast<int>(m_steps.size()));
  const QLocale locale;
  for (int row = 0; row < static_cast<int>(m_steps.size()); ++row) {
    const jov::StepInfo& step = m_steps[static_cast<std::size_t>(row)];
    m_tableSteps->setItem(row, kTime, Cell(HistoryTimeText(step.timeMs)));
    auto* map = Cell(QFileInfo(QString::fromStdString(step.mapPath)).fileName());
    map->setToolTip(QString::fromStdString(step.mapPath));
    m_tableSteps->setItem(row, kMap, map);
    m_tableSteps->setItem(row, kLabel, Cell(QString::fromLatin1(step.label.data(), static_cast<qsizetype>(step.label.size()))));
    auto* bytes = Cell(locale.toString(static_cast<qulonglong>(step.bytes)));
    bytes->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_tableSteps->setItem(row, kBytes, bytes);
    m_tableSteps->setItem(row, kState, Cell(HistoryStateText(step.state)));
  }
  m_tableSteps->resizeColumnToContents(kTime);
  m_tableSteps->resizeColumnToContents(kMap);
  m_labelEmpty->setVisible(m_steps.empty());
  UpdateButtons();
}

std::int64_t CHistoryDlg::SelectedStep() const {
  const auto rows = m_tableSteps->selectionModel()->selectedRows();
  if (rows.isEmpty()) return -1;
  return m_steps[static_cast<std::size_t>(rows.front().row())].id;
}

void CHistoryDlg::UpdateButtons() {
  const std::int64_t step = SelectedStep();
  bool undoable = false;
  for (const jov::StepInfo& s : m_steps) undoable = undoable || (s.id == step && s.state == jov::StepState::Done);
  m_buttonUndoTo->setEnabled(undoable);
  m_buttonClear->setEnabled(!m_steps.empty());
}
