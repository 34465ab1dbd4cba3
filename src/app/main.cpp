// The window program: `tessary [ARCHIVE.drs]`.
#include "ui/mainform.hpp"
#include "ui/qt_platform.hpp"
#include "ui/signal_close.hpp"

#include <QApplication>
#include <QFile>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessary"));
  tessary::ui::QtPlatform platform;
  tessary::ui::MainForm form(platform);
  platform.setParentWindow(&form);
  tessary::ui::SignalCloser closer(&form);
  form.show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1)
    form.OpenArchive(QFile::encodeName(args.at(1)).toStdString());
  return QApplication::exec();
}
