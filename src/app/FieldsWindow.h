#ifndef JOV_APP_FIELDSWINDOW_H
#define JOV_APP_FIELDSWINDOW_H

#include <QPointer>
#include <QString>
#include <QWidget>

class QTabWidget;

// Moves one tab's page of a tab widget into a window of its own and back: the
// Fields view (with its hex view) undocked for room. The page is the same
// widget in both places, so its rows, selection and scroll position travel with
// it. Closing the window puts the page back where it was.
class FieldsWindow : public QObject {
  Q_OBJECT

 public:
  FieldsWindow(QTabWidget& tabs, QWidget& page, QWidget* owner);
  ~FieldsWindow() override;

  bool IsUndocked() const { return m_window != nullptr; }
  void Undock();
  void Dock();
  // The window's title: shown while undocked, kept for the next undock.
  void SetTitle(const QString& title);
  QWidget* Window() const { return m_window; }

 signals:
  void Docked(bool docked);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTabWidget& m_tabs;
  QWidget& m_page;
  QWidget* m_owner;
  QString m_tabText;
  int m_tabIndex = 0;
  QString m_title;
  QPointer<QWidget> m_window;
};

#endif  // JOV_APP_FIELDSWINDOW_H
