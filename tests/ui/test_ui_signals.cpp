// A terminating signal while the window is busy with long work: the work stops early, writes
// nothing, and the window closes with its clean-up. Runs the real platform and signal handler.
#include "ui_fixtures.hpp"

#include "archive/drs_writer.hpp"
#include "ui/qt_platform.hpp"
#include "ui/signal_close.hpp"

#include <QAction>
#include <QListView>
#include <QTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <deque>
#include <filesystem>
#include <thread>
#include <unistd.h>

using namespace tessary;
using namespace tessary::test;
using Clock = std::chrono::steady_clock;

namespace {

// The real platform, with the dialogs and message boxes answered from a script and the
// working folder under the test's own TEMP.
class AnsweredPlatform : public ui::QtPlatform {
public:
  std::deque<std::string> openAnswers, saveAnswers;
  std::string temp;
  std::vector<ui::MessageRequest> messages;

  std::optional<std::string> openFileDialog(const ui::FileDialogRequest &) override {
    return Next(openAnswers);
  }
  std::optional<std::string> saveFileDialog(const ui::FileDialogRequest &) override {
    return Next(saveAnswers);
  }
  ui::MessageAnswer messageBox(const ui::MessageRequest &request) override {
    messages.push_back(request);
    return ui::MessageAnswer::Ok;
  }
  std::optional<std::string> environment(const std::string &name) override {
    if (name == "TEMP")
      return temp;
    return ui::QtPlatform::environment(name);
  }

private:
  static std::optional<std::string> Next(std::deque<std::string> &queue) {
    if (queue.empty())
      return std::nullopt;
    auto answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

class SignalsTest : public QObject {
  Q_OBJECT
private slots:
  void signalDuringASequenceExportEndsWithTheCleanUp();
};

void SignalsTest::signalDuringASequenceExportEndsWithTheCleanUp() {
  TempDir temp;
  std::filesystem::create_directory(temp.file("tmp"));
  std::filesystem::create_directory(temp.file("out"));
  // A sprite whose sequence export takes a good while.
  const std::vector<FrameSize> frames(60, FrameSize{700, 700, 350, 350});
  const std::string archive = temp.file("large.drs");
  WriteFile(archive, BuildArchive({{kSpriteTag, {{500, PatternSprite(frames)}}}}));

  AnsweredPlatform platform;
  platform.temp = temp.file("tmp");
  ui::MainForm form(platform);
  platform.setParentWindow(&form);
  ui::SignalCloser closer(&form);
  QVERIFY(closer.active());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  platform.openAnswers.push_back(archive);
  form.menu_file_open->trigger();
  form.DRSFilesList->setCurrentIndex(form.DRSFilesModel->index(1));
  QCOMPARE(form.PictureStatusText->text(), QStringLiteral("Showing frame 1 of 60"));
  const std::string copy = form.ResDisplayPicTag;
  QVERIFY(std::filesystem::exists(copy));

  platform.saveAnswers.push_back(temp.file("out/frame"));
  std::atomic<Clock::rep> signalledAt{0};
  // The signal comes once the export is under way: its first frame waits, unfinished, in the
  // output folder.
  const std::string out = temp.file("out");
  std::thread sender([&signalledAt, out] {
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    std::error_code error;
    while (std::filesystem::is_empty(out, error) && Clock::now() < giveUp)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    signalledAt = Clock::now().time_since_epoch().count();
    ::kill(::getpid(), SIGTERM);
  });
  const auto exportStarted = Clock::now();
  form.menu_image_savesequence->trigger();
  const auto exportReturned = Clock::now();
  sender.join();
  QVERIFY2(signalledAt != 0, "the export ended before the signal came: make the sprite larger");
  const Clock::time_point signalled{Clock::duration(signalledAt.load())};
  QVERIFY2(exportReturned > signalled,
           "the export ended before the signal came: make the sprite larger");
  QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 10000);
  const auto closed = Clock::now();

  qInfo("signal after %.0f ms of export; export stopped %.0f ms and window closed %.0f ms after it",
        MillisecondsBetween(exportStarted, signalled),
        MillisecondsBetween(signalled, exportReturned), MillisecondsBetween(signalled, closed));
  QVERIFY(std::filesystem::is_empty(temp.file("out"))); // no frame of a stopped export appears
  QVERIFY(!std::filesystem::exists(copy));              // the clean-up ran
  QCOMPARE(form.StatusText->text(), QStringLiteral("Cleaning up..."));
  QVERIFY(platform.messages.empty()); // stopping is not a failure to report
}

QTEST_MAIN(SignalsTest)
#include "test_ui_signals.moc"
