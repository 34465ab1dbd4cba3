// The window program's command line, run as the real program: --help and --version need no
// display, a wrong command line gets the usage and exit code 2, one archive is opened at start.
#include "support/test_support.hpp"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <csignal>

using namespace tessary;

namespace {

struct Run {
  int exitCode = -1;
  QString out;
  QString err;
};

// No display to be had: a window program that tried to open one would fail.
QProcessEnvironment NoDisplay() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  return env;
}

Run RunWindowProgram(const QStringList &args) {
  QProcess program;
  program.setProcessEnvironment(NoDisplay());
  program.start(QStringLiteral(TESSARY_APP_PATH), args);
  Run run;
  if (!program.waitForFinished(30000)) {
    program.kill();
    program.waitForFinished();
    return run;
  }
  if (program.exitStatus() == QProcess::NormalExit)
    run.exitCode = program.exitCode();
  run.out = QString::fromLocal8Bit(program.readAllStandardOutput());
  run.err = QString::fromLocal8Bit(program.readAllStandardError());
  return run;
}

} // namespace

class CommandLineTest : public QObject {
  Q_OBJECT
private slots:
  void helpAndVersionNeedNoDisplay_data();
  void helpAndVersionNeedNoDisplay();
  void wrongCommandLineGetsTheUsage_data();
  void wrongCommandLineGetsTheUsage();
  void namedArchiveIsOpenedAtStart();
};

void CommandLineTest::helpAndVersionNeedNoDisplay_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<bool>("help");
  QTest::newRow("--help") << QStringList{"--help"} << true;
  QTest::newRow("-h") << QStringList{"-h"} << true;
  QTest::newRow("help before an archive") << QStringList{"--help", "a.drs"} << true;
  QTest::newRow("--version") << QStringList{"--version"} << false;
  QTest::newRow("-v") << QStringList{"-v"} << false;
  QTest::newRow("Qt's own option is passed over")
      << QStringList{"-style", "fusion", "--version"} << false;
}

void CommandLineTest::helpAndVersionNeedNoDisplay() {
  QFETCH(QStringList, args);
  QFETCH(bool, help);
  const Run run = RunWindowProgram(args);
  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.err, QString());
  if (help) {
    QVERIFY2(run.out.startsWith("Usage: "), qPrintable(run.out));
    for (const char *expected : {"[options] [archive]", "--help", "--version", "archive"})
      QVERIFY2(run.out.contains(QLatin1String(expected)), expected);
  } else {
    QCOMPARE(run.out, QStringLiteral("tessary 0.5b\n"));
  }
}

void CommandLineTest::wrongCommandLineGetsTheUsage_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("complaint");
  QTest::newRow("unknown option") << QStringList{"--bogus"} << "Unknown option 'bogus'.";
  QTest::newRow("unknown short option") << QStringList{"-x", "a.drs"} << "Unknown option 'x'.";
  QTest::newRow("two archives") << QStringList{"a.drs", "b.drs"}
                                << "Only one archive can be opened: 2 given.";
  QTest::newRow("two archives after --")
      << QStringList{"--", "-a.drs", "b.drs"} << "Only one archive can be opened: 2 given.";
}

void CommandLineTest::wrongCommandLineGetsTheUsage() {
  QFETCH(QStringList, args);
  QFETCH(QString, complaint);
  const Run run = RunWindowProgram(args);
  QCOMPARE(run.exitCode, 2);
  QCOMPARE(run.out, QString());
  QVERIFY2(run.err.startsWith(complaint + "\nUsage: "), qPrintable(run.err));
}

void CommandLineTest::namedArchiveIsOpenedAtStart() {
  // The archive is missing, so opening it raises its message; its details reach standard error.
  // Qt's own -platform option is handed to the window, which needs no real display then.
  test::TempDir temp;
  QProcess program;
  QProcessEnvironment env = NoDisplay();
  env.insert(QStringLiteral("TEMP"), QString::fromStdString(temp.path().string()));
  program.setProcessEnvironment(env);
  const QString missing = QString::fromStdString(temp.file("-missing.drs"));
  program.start(QStringLiteral(TESSARY_APP_PATH), {"-platform", "offscreen", "--", missing});
  QVERIFY(program.waitForStarted());
  QString err;
  const QString expected =
      "tessary: Error reading from DRS file! (" + missing + ": not a readable file)\n";
  QTRY_VERIFY_WITH_TIMEOUT(
      (err += QString::fromLocal8Bit(program.readAllStandardError()), err.contains(expected)),
      20000);
  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  QVERIFY(program.waitForFinished(20000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
}

QTEST_MAIN(CommandLineTest)
#include "test_ui_command_line.moc"
