#pragma once
#include <QDialog>

// "About JOV": the program icon, its version and the credits.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
