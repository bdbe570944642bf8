#include "ProgramIcon.h"

#include <QImageReader>

// The resources live in the jovapp static library: the linker keeps them only
// when something names them, so register them by hand (outside any namespace, as
// the registration macro requires).
static void RegisterResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(jov);
    return true;
  }();
  (void)done;
}

QIcon ProgramIcon() {
  RegisterResources();
  // Reading SVG needs the toolkit's SVG plugin, which a desktop may lack; the PNG
  // renderings of the same drawing always load.
  if (QImageReader::supportedImageFormats().contains("svg")) return QIcon(QStringLiteral(":/icons/jov.svg"));
  QIcon icon;
  for (const int size : {16, 32, 64, 128})
    icon.addFile(QStringLiteral(":/icons/jov-%1.png").arg(size), QSize(size, size));
  return icon;
}
