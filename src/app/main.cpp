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

// The options are read before the application object exists: --help and
// --version print and end without needing a display.
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

  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  DescribeOptions(parser);
  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
    return 2;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("%s\n", jov::kVersionText);
    return 0;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    // Without an application object the toolkit cannot name the program.
    QString help = parser.helpText();
    help.replace(QStringLiteral("<executable_name>"), QStringLiteral("jov"));
    std::printf("%s", qPrintable(help));
    return 0;
  }

  QApplication app(argc, argv);
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
