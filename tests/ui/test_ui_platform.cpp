// The real platform under the offscreen display: message boxes, file and colour dialogs
// answered by a timer, the Escape tracker, the busy cursor, sound on an output that hangs, and
// the signal handler that closes the window.
#include "recording_output.hpp"
#include "support/test_support.hpp"
#include "ui/qt_platform.hpp"
#include "ui/signal_close.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

using namespace tessary;
using namespace tessary::ui;

namespace {

// Runs `answer` on the next modal window as soon as it is up. The polling timer belongs to the
// application and removes itself once it has answered.
void AnswerNextModal(std::function<void(QWidget *)> answer) {
  QTimer *timer = std::make_unique<QTimer>(QCoreApplication::instance()).release();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
    if (QWidget *modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      answer(modal);
    }
  });
  timer->start();
}

// Records the input it receives, in order.
class InputLog : public QWidget {
public:
  QStringList seen;

protected:
  void mousePressEvent(QMouseEvent *) override { seen << "press"; }
  void mouseReleaseEvent(QMouseEvent *) override { seen << "release"; }
  void keyPressEvent(QKeyEvent *event) override { seen << QKeySequence(event->key()).toString(); }
};

void Post(QObject *receiver, std::unique_ptr<QEvent> event) {
  QCoreApplication::postEvent(receiver, event.release()); // the queue owns it from here
}

std::unique_ptr<QMouseEvent> Press() {
  return std::make_unique<QMouseEvent>(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1),
                                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
}

std::unique_ptr<QMouseEvent> Release() {
  return std::make_unique<QMouseEvent>(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1),
                                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
}

} // namespace

class PlatformTest : public QObject {
  Q_OBJECT
private slots:
  void messageBoxCarriesTextTitleIconAndDetail();
  void messageBoxOkAnswer();
  void openDialogGetsFolderFilterAndPreselection();
  void saveDialogStartsInTheProposedNamesFolder();
  void colourDialogStartsFromTheColourAndCanBeCancelled();
  void escapeTrackerFollowsTheKey();
  void escapePollTakesEscapeAndHoldsOtherInputBack();
  void heldBackInputForAWindowThatWentIsDropped();
  void busyCursorNests();
  void clockAndEnvironment();
  void soundNeverBlocks();
  void terminatingSignalClosesTheWindow();
};

void PlatformTest::messageBoxCarriesTextTitleIconAndDetail() {
  QtPlatform platform;
  QString title, text, detail, informative;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  AnswerNextModal([&](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    QVERIFY(box);
    title = box->windowTitle();
    text = box->text();
    detail = box->detailedText();
    informative = box->informativeText();
    icon = box->icon();
    buttons = static_cast<int>(box->standardButtons());
    box->button(QMessageBox::Cancel)->click();
  });
  const auto answer =
      platform.messageBox({"Error reading from DRS file!", "Error", MessageButtons::OkCancel,
                           MessageIcon::Critical, "sample.drs: table 2 lies past the end"});
  QVERIFY(answer == MessageAnswer::Cancel);
  QCOMPARE(title, QStringLiteral("Error"));
  QCOMPARE(text, QStringLiteral("Error reading from DRS file!"));
  QCOMPARE(detail, QStringLiteral("sample.drs: table 2 lies past the end"));
  QCOMPARE(informative, QString()); // nothing added to the message itself
  QCOMPARE(icon, QMessageBox::Critical);
  QCOMPARE(buttons, static_cast<int>(QMessageBox::Ok | QMessageBox::Cancel));
}

void PlatformTest::messageBoxOkAnswer() {
  QtPlatform platform;
  QString title;
  QMessageBox::Icon icon = QMessageBox::Critical;
  AnswerNextModal([&](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    title = box->windowTitle();
    icon = box->icon();
    box->button(QMessageBox::Ok)->click();
  });
  QVERIFY(platform.messageBox({"Sorry, feature not yet implemented!",
                               kAppTitle,
                               MessageButtons::Ok,
                               MessageIcon::None,
                               {}}) == MessageAnswer::Ok);
  QCOMPARE(title, QStringLiteral("Tessary"));
  QCOMPARE(icon, QMessageBox::NoIcon);
}

void PlatformTest::openDialogGetsFolderFilterAndPreselection() {
  test::TempDir temp;
  test::WriteText(temp.file("a.drs"), "x");
  QtPlatform platform;
  QStringList filters;
  QString selected, folder, title;
  AnswerNextModal([&](QWidget *modal) {
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    QVERIFY(dialog);
    filters = dialog->nameFilters();
    selected = dialog->selectedNameFilter();
    folder = dialog->directory().absolutePath();
    title = dialog->windowTitle();
    dialog->selectFile(QString::fromStdString(temp.file("a.drs")));
    static_cast<QDialog *>(dialog)->accept(); // the file dialog's own accept is protected
  });
  const auto chosen = platform.openFileDialog({"Select DRS file to open",
                                               "DRS files (*.drs)|*.drs|All files (*.*)|*.*", 2, "",
                                               temp.path().string()});
  QCOMPARE(chosen, std::optional<std::string>(temp.file("a.drs")));
  QCOMPARE(filters, QStringList({"DRS files (*.drs)", "All files (*)"}));
  QCOMPARE(selected, QStringLiteral("All files (*)"));
  QCOMPARE(folder, QString::fromStdString(temp.path().string()));
  QCOMPARE(title, QStringLiteral("Select DRS file to open"));

  AnswerNextModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
  QVERIFY(!platform.openFileDialog({"t", "DRS files (*.drs)|*.drs", 1, "", ""}));
}

void PlatformTest::saveDialogStartsInTheProposedNamesFolder() {
  test::TempDir temp;
  QtPlatform platform;
  QString folder, selected;
  AnswerNextModal([&](QWidget *modal) {
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    folder = dialog->directory().absolutePath();
    selected = dialog->selectedNameFilter();
    dialog->selectFile(QString::fromStdString(temp.file("100.slp")));
    static_cast<QDialog *>(dialog)->accept();
  });
  const auto chosen = platform.saveFileDialog(
      {"Select filename to save resource as",
       "BIN file (*.bin)|*.bin|WAV file (*.wav)|*.wav|SLP file (*.slp)|*.slp|All files (*.*)|*.*",
       3, temp.file("old.slp"), "/"});
  QCOMPARE(chosen, std::optional<std::string>(temp.file("100.slp")));
  QCOMPARE(folder, QString::fromStdString(temp.path().string()));
  QCOMPARE(selected, QStringLiteral("SLP file (*.slp)"));
}

void PlatformTest::colourDialogStartsFromTheColourAndCanBeCancelled() {
  QtPlatform platform;
  QColor initial;
  AnswerNextModal([&](QWidget *modal) {
    auto *dialog = qobject_cast<QColorDialog *>(modal);
    QVERIFY(dialog);
    initial = dialog->currentColor();
    dialog->setCurrentColor(QColor(1, 2, 3));
    dialog->accept();
  });
  QCOMPARE(platform.colourDialog(RGB(127, 64, 255)), std::optional<Colour>(RGB(1, 2, 3)));
  QCOMPARE(initial, QColor(127, 64, 255)); // red in the low byte, read the right way round
  AnswerNextModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
  QVERIFY(!platform.colourDialog(0));
}

void PlatformTest::escapeTrackerFollowsTheKey() {
  QWidget window;
  window.show();
  EscapeTracker tracker;
  QVERIFY(!tracker.held());
  QTest::keyPress(&window, Qt::Key_Escape);
  QVERIFY(tracker.held());
  QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(&window, &repeat);
  QVERIFY(tracker.held()); // an auto-repeat release is not the key coming up
  QTest::keyRelease(&window, Qt::Key_Escape);
  QVERIFY(!tracker.held());
  QTest::keyPress(&window, Qt::Key_A);
  QVERIFY(!tracker.held());
}

void PlatformTest::escapePollTakesEscapeAndHoldsOtherInputBack() {
  InputLog window;
  window.resize(20, 20);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  EscapeTracker tracker;
  Post(&window, Press());
  Post(&window, std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
  Post(&window, std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  Post(&window, Release());
  QTest::qSleep(30);
  QVERIFY(tracker.poll());
  QCOMPARE(window.seen, QStringList()); // no command may start inside a running one
  QCOMPARE(tracker.heldBackCount(), std::size_t(3));
  // Input that comes before the held-back input is delivered waits behind it.
  Post(&window, std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier));
  QTRY_COMPARE(window.seen, QStringList({"press", "A", "release", "B"}));
  QCOMPARE(tracker.heldBackCount(), std::size_t(0));
  // Outside a poll, input is delivered as usual.
  Post(&window, Press());
  QCoreApplication::processEvents();
  QCOMPARE(window.seen.size(), 5);
}

void PlatformTest::heldBackInputForAWindowThatWentIsDropped() {
  EscapeTracker tracker;
  auto window = std::make_unique<InputLog>();
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  Post(window.get(), Press());
  QTest::qSleep(30);
  tracker.poll();
  QCOMPARE(tracker.heldBackCount(), std::size_t(1));
  window.reset();
  QTRY_COMPARE(tracker.heldBackCount(), std::size_t(0));
}

void PlatformTest::busyCursorNests() {
  QtPlatform platform;
  QVERIFY(!QGuiApplication::overrideCursor());
  platform.setBusyCursor(true);
  platform.setBusyCursor(true);
  QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  platform.setBusyCursor(false);
  QVERIFY(QGuiApplication::overrideCursor());
  platform.setBusyCursor(false);
  QVERIFY(!QGuiApplication::overrideCursor());
  platform.setBusyCursor(false); // one too many does no harm
  QVERIFY(!QGuiApplication::overrideCursor());
}

void PlatformTest::clockAndEnvironment() {
  QtPlatform platform;
  const long now = platform.hundredthsSinceMidnight();
  QVERIFY(now >= 0 && now < 8640000);
  qputenv("TESSARY_PLATFORM_TEST", "value");
  QCOMPARE(platform.environment("TESSARY_PLATFORM_TEST"), std::optional<std::string>("value"));
  qputenv("TESSARY_PLATFORM_TEST", "");
  QCOMPARE(platform.environment("TESSARY_PLATFORM_TEST"), std::optional<std::string>(""));
  qunsetenv("TESSARY_PLATFORM_TEST");
  QVERIFY(!platform.environment("TESSARY_PLATFORM_TEST"));
}

void PlatformTest::soundNeverBlocks() {
  test::TempDir temp;
  const std::string wav("RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0"
                        "\x01\0\x08\0data\x08\0\0\0\x11\x80\x80\x80\x80\x80\x80\x80",
                        52);
  std::string stereo = wav; // the same samples read as 16-bit stereo at 22050 Hz
  stereo.replace(22, 2, "\x02\0", 2);
  stereo.replace(24, 4, "\x22\x56\0\0", 4);
  stereo.replace(34, 2, "\x10\0", 2);
  test::WriteText(temp.file("a.wav"), wav);
  test::WriteText(temp.file("b.wav"), stereo);
  test::WriteText(temp.file("junk.wav"), "not a sound");
  test::WriteText(temp.file("cut.wav"), wav.substr(0, 30)); // header cut short
  auto log = std::make_shared<test::OutputLog>();
  QtPlatform platform(test::Recording(log));
  // The audio system hangs in the first clip. Every later call still returns, whatever the file
  // holds, and the window's events are still handled.
  log->hang();
  platform.playSound(temp.file("a.wav"));
  QTRY_VERIFY(log->inPlay);
  for (const char *name : {"junk.wav", "b.wav", "cut.wav", "a.wav", "missing.wav", "b.wav"})
    platform.playSound(temp.file(name));
  bool answered = false;
  QTimer::singleShot(0, [&answered] { answered = true; });
  QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
  QVERIFY(log->inPlay);
  log->release();
  // Once it answers, the latest sound plays: read from its file, in the file's own format.
  QTRY_COMPARE(log->snapshot(), (std::vector<std::string>{"play 17/8", "play 17/8"}));
  QCOMPARE(log->lastClip.rate, 22050);
  QCOMPARE(log->lastClip.channels, 2);
  QCOMPARE(log->lastClip.bitsPerSample, 16);
  // A file that cannot be played stops the one playing.
  for (const char *name : {"junk.wav", "missing.wav", "cut.wav"}) {
    platform.playSound(temp.file("a.wav"));
    platform.playSound(temp.file(name));
    QTRY_COMPARE(log->snapshot().back(), std::string("stop"));
  }
  QCOMPARE(log->made.load(), 1);
  QVERIFY(platform.shutDownSound(std::chrono::seconds(10)));
}

void PlatformTest::terminatingSignalClosesTheWindow() {
  QWidget window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  {
    SignalCloser closer(&window);
    QVERIFY(closer.active());
    std::raise(SIGTERM);
    QTRY_VERIFY(!window.isVisible());
    window.show();
    std::raise(SIGINT);
    QTRY_VERIFY(!window.isVisible());
  }
}

QTEST_MAIN(PlatformTest)
#include "test_ui_platform.moc"
