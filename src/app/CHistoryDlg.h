#pragma once
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

// "History": the recorded steps of the maps open in the window, newest first
// (time, map, label, bytes changed, and whether a step is undone or was
// interrupted). "Undo to Here" takes back the selected step and every step after
// it; "Clear History" forgets the finished steps of these maps (and, when the
// user agrees, an interrupted one, which then can no longer be restored); the
// limit is the most the history keeps per map. The window does the undoing (it re-reads its
// panels); the dialog asks it through the callbacks and lists the steps again.
class CHistoryDlg : public QDialog {
  Q_OBJECT

 public:
  struct Actions {
    std::function<std::vector<jov::StepInfo>()> steps;  // newest first
    std::function<void(std::int64_t step)> undoTo;
    std::function<void()> clear;
    std::function<std::uint64_t()> limitMb;
    std::function<void(std::uint64_t)> setLimitMb;
  };

  CHistoryDlg(Actions actions, QWidget* parent = nullptr);

  // Lists the steps again (after an undo, or a command run meanwhile).
  void Fill();
  // The step of the selected row, or -1.
  std::int64_t SelectedStep() const;

  QTableWidget* m_tableSteps;
  QPushButton* m_buttonUndoTo;
  QPushButton* m_buttonClear;
  QSpinBox* m_spinLimit;
  QPushButton* m_buttonClose;
  QLabel* m_labelEmpty;

 private:
  void UpdateButtons();

  Actions m_actions;
  std::vector<jov::StepInfo> m_steps;
};

// The columns' texts of one step, as the dialog shows them.
QString HistoryTimeText(std::int64_t ms);
QString HistoryStateText(jov::StepState state);
