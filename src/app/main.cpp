#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <memory>

#include "CMapEditorDlg.h"
#include "QtUserDialogs.h"
#include "platform/Version.h"

namespace {

void DescribeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral(
      "JOV, an editor of game map files (Xbox, PC and CE maps): browse their tags, edit tag records, scan and "
      "edit tag metadata, move metadata between two maps."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("A.map"), QStringLiteral("The map to open in Map 1."),
                               QStringLiteral("[A.map"));
  parser.addPositionalArgument(QStringLiteral("B.map"), QStringLiteral("The map to open in Map 2."),
                               QStringLiteral("[B.map]]"));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setOrganizationName(QStringLiteral("JOV"));
  QCoreApplication::setApplicationName(QStringLiteral("jov"));
  QCoreApplication::setApplicationVersion(QStringLiteral(JOV_VERSION));

  QCommandLineParser parser;
  DescribeOptions(parser);
  // --help and --version are answered before the application object exists:
  // they print and end without needing a display (help2man runs them).
  for (int i = 1; i < argc; ++i) {
    const QString argument = QString::fromLocal8Bit(argv[i]);
    if (argument == QStringLiteral("--")) break;
    if (argument == QStringLiteral("--version") || argument == QStringLiteral("-v")) {
      std::printf("%s\n", jov::kVersionText);
      return 0;
    }
    if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h") || argument == QStringLiteral("-?")) {
      // Without an application object the toolkit cannot name the program.
      QString help = parser.helpText();
      help.replace(QStringLiteral("<executable_name>"), QStringLiteral("jov"));
      std::printf("%s", qPrintable(help));
      return 0;
    }
  }

  // The toolkit takes its own options (-platform, -style, ...) out of argv.
  QApplication app(argc, argv);
  parser.process(app);
  // The toolkit adopts the user's locale; numbers in the fields and in the value
  // texts are always written with a decimal point.
  std::setlocale(LC_NUMERIC, "C");

  QtUserDialogs dialogs;
  CMapEditorDlg window(dialogs);
  dialogs.SetParent(&window);
  window.UseSettings(std::make_unique<QSettings>());
  window.show();
  window.OpenArguments(parser.positionalArguments());
  // The program is its main window: closing it in any way ends the program.
  return app.exec();
}
