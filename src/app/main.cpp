// The window program: `tessary [ARCHIVE.drs]`.
#include "ui/mainform.hpp"
#include "ui/qt_platform.hpp"
#include "ui/signal_close.hpp"

#include <QApplication>
#include <QFile>
#include <QTimer>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessary"));
  tessary::ui::QtPlatform platform;
  tessary::ui::MainForm form(platform);
  platform.setParentWindow(&form);
  tessary::ui::SignalCloser closer(&form);
  form.show();
  const QStringList args = QApplication::arguments();
  // Opened from the event loop: a message box it raises then runs inside it, so a close asked
  // for meanwhile (a signal) ends the program instead of being lost before the loop starts.
  if (args.size() > 1)
    QTimer::singleShot(0, &form, [&form, path = QFile::encodeName(args.at(1)).toStdString()] {
      form.OpenArchive(path);
    });
  return QApplication::exec();
}
