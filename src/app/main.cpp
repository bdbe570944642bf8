#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QStringList>
#include <QtGlobal>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

constexpr int kNoDisplay = 2;
constexpr const char* kNoDisplayText =
    "jov needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set); jov-cli runs the same commands in a "
    "terminal.\n";

// On X11 and Wayland systems the toolkit answers a missing display by aborting
// with advice to reinstall the program. Platforms that need no display
// (offscreen, minimal, vnc, a framebuffer), chosen by QT_QPA_PLATFORM or
// -platform, are left to the toolkit.
bool DisplayMissing(int argc, char** argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  if (set("DISPLAY") || set("WAYLAND_DISPLAY")) return false;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) platform = argv[i + 1];
  if (platform == nullptr || *platform == '\0') return true;
  return std::strncmp(platform, "xcb", 3) == 0 || std::strncmp(platform, "wayland", 7) == 0;
#else
  (void)argc;
  (void)argv;
  return false;
#endif
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

  if (DisplayMissing(argc, argv)) {
    std::fputs(kNoDisplayText, stderr);
    return kNoDisplay;
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
