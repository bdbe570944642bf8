#include "FieldsWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

FieldsWindow::FieldsWindow(QTabWidget& tabs, QWidget& page, QWidget* owner)
    : QObject(owner), m_tabs(tabs), m_page(page), m_owner(owner) {}

// The window is the owner's child (a Qt::Window), deleted with it; the page goes
// back to the tabs first so that it is never deleted twice.
FieldsWindow::~FieldsWindow() {
  if (m_window) m_window->removeEventFilter(this);
}

void FieldsWindow::Undock() {
  if (m_window) {
    m_window->raise();
    m_window->activateWindow();
    return;
  }
  m_tabIndex = m_tabs.indexOf(&m_page);
  if (m_tabIndex < 0) return;
  m_tabText = m_tabs.tabText(m_tabIndex);
  const QSize size = m_page.size();
  m_tabs.removeTab(m_tabIndex);
  m_window = new QWidget(m_owner, Qt::Window);
  m_window->setAttribute(Qt::WA_DeleteOnClose, false);
  m_window->setWindowTitle(m_title);
  auto* layout = new QVBoxLayout(m_window);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(&m_page);
  m_page.show();
  // Twice the height it had in the tab, never more than the screen.
  QSize wanted(std::max(size.width(), 640), std::max(size.height() * 2, 480));
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    wanted = wanted.boundedTo(screen->availableGeometry().size() * 0.9);
  m_window->resize(wanted);
  m_window->installEventFilter(this);
  m_window->show();
  emit Docked(false);
}

void FieldsWindow::Dock() {
  if (!m_window) return;
  QWidget* window = m_window;
  m_window = nullptr;
  window->removeEventFilter(this);
  m_tabs.insertTab(std::min(m_tabIndex, m_tabs.count()), &m_page, m_tabText);
  m_tabs.setCurrentWidget(&m_page);
  window->hide();
  window->deleteLater();
  emit Docked(true);
}

void FieldsWindow::SetTitle(const QString& title) {
  m_title = title;
  if (m_window) m_window->setWindowTitle(title);
}

bool FieldsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window && event->type() == QEvent::Close) {
    Dock();
    return true;
  }
  return QObject::eventFilter(watched, event);
}
