// The window program: `tessary [ARCHIVE.drs]`.
#include "ui/mainform.hpp"
#include "ui/qt_platform.hpp"
#include "ui/signal_close.hpp"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

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
  const int status = QApplication::exec();
  // The window has removed its temporary files. A sound thread stuck in the audio system would
  // make the audio libraries' own teardown at exit wait with it, so then the program ends here.
  if (!platform.shutDownSound(std::chrono::milliseconds(250))) {
    std::fflush(nullptr);
    std::quick_exit(status);
  }
  return status;
}
