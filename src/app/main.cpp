#include <QApplication>
#include <clocale>

#include "CMapEditorDlg.h"
#include "QtUserDialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The toolkit adopts the user's locale; numbers in the fields and in the value
  // texts are always written with a decimal point.
  std::setlocale(LC_NUMERIC, "C");

  QtUserDialogs dialogs;
  CMapEditorDlg window(dialogs);
  dialogs.SetParent(&window);
  // The program is its main window: closing it in any way ends the program.
  window.exec();
  return 0;
}
