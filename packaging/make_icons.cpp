// Draws the window icon's artwork at every size of the desktop's hicolor theme, as
// FOLDER/NxN/apps/tessary.png, so the installed icons are the window's own picture.
#include "ui/window_icon.hpp"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessary_make_icons FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    const QString file = dir + QStringLiteral("/tessary.png");
    if (!QDir().mkpath(dir) || !tessary::ui::WindowIconImage(size).save(file, "PNG")) {
      std::fprintf(stderr, "tessary_make_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
