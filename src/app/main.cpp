// The window program: `tessary [ARCHIVE.drs]`, `tessary --help`, `tessary --version`.
#include "ui/mainform.hpp"
#include "ui/qt_platform.hpp"
#include "ui/signal_close.hpp"
#include "ui/window_command_line.hpp"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// Read before any window exists, so --help and a wrong option need no display.
tessary::ui::WindowCommandLine ReadCommandLine(int argc, char *argv[]) {
  const QCoreApplication reading(argc, argv);
  return tessary::ui::ParseWindowCommandLine(QCoreApplication::arguments());
}

} // namespace

int main(int argc, char *argv[]) {
  const tessary::ui::WindowCommandLine command = ReadCommandLine(argc, argv);
  if (command.exitCode) {
    std::fputs(command.out.c_str(), stdout);
    std::fputs(command.err.c_str(), stderr);
    return *command.exitCode;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(tessary::kAppTitle));
  tessary::ui::QtPlatform platform;
  tessary::ui::MainForm form(platform);
  platform.setParentWindow(&form);
  tessary::ui::SignalCloser closer(&form);
  form.show();
  // Opened from the event loop: a message box it raises then runs inside it, so a close asked
  // for meanwhile (a signal) ends the program instead of being lost before the loop starts.
  if (command.archive)
    form.OpenArchiveLater(QFile::encodeName(*command.archive).toStdString());
  const int status = QApplication::exec();
  // The window has removed its temporary files. A sound thread stuck in the audio system would
  // make the audio libraries' own teardown at exit wait with it, so then the program ends here.
  if (!platform.shutDownSound(std::chrono::milliseconds(250))) {
    std::fflush(nullptr);
    std::quick_exit(status);
  }
  return status;
}
