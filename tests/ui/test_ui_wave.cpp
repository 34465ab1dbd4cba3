// Sound without an audio device: the player that hands clips to an audio thread, driven here
// with outputs that record what they are given or hang.
#include "recording_output.hpp"
#include "ui/sound_player.hpp"
#include "view/wave_clip.hpp"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

using namespace tessary;
using namespace tessary::ui;
using tessary::test::OutputLog;
using tessary::test::Recording;

namespace {

view::WaveClip Clip(std::uint8_t first, std::size_t size = 4) {
  view::WaveClip clip{8000, 1, 8, std::vector<std::uint8_t>(size, 0x80)};
  if (size)
    clip.samples[0] = first;
  return clip;
}

} // namespace

class WaveTest : public QObject {
  Q_OBJECT
private slots:
  void playsOnTheAudioThreadOnly();
  void makesNoOutputUntilTheFirstSound();
  void aBurstOfRequestsEndsOnTheLast();
  void stopReachesTheOutput();
  void aHungOutputHoldsUpNeitherCallsNorShutdown();
};

void WaveTest::playsOnTheAudioThreadOnly() {
  auto log = std::make_shared<OutputLog>();
  SoundPlayer player(Recording(log));
  player.play(Clip(7));
  QTRY_COMPARE(log->snapshot(), std::vector<std::string>{"play 7/4"});
  QVERIFY(log->thread != QThread::currentThreadId());
  QVERIFY(player.shutDown(std::chrono::seconds(10)));
  QCOMPARE(log->snapshot(), (std::vector<std::string>{"play 7/4", "stop"}));
  player.play(Clip(8)); // after shutdown nothing more is played
  QTest::qWait(20);
  QCOMPARE(log->snapshot().size(), std::size_t(2));
}

void WaveTest::makesNoOutputUntilTheFirstSound() {
  auto log = std::make_shared<OutputLog>();
  {
    SoundPlayer player(Recording(log));
    player.stop(); // a stop with nothing played sets up nothing
    QTest::qWait(20);
  }
  QCOMPARE(log->made.load(), 0);
  QVERIFY(log->snapshot().empty());
}

void WaveTest::aBurstOfRequestsEndsOnTheLast() {
  auto log = std::make_shared<OutputLog>();
  SoundPlayer player(Recording(log));
  log->hang();
  player.play(Clip(1));
  QTRY_VERIFY(log->inPlay); // the audio thread is busy with the first clip
  for (int i = 0; i < 1000; ++i)
    player.play(Clip(static_cast<std::uint8_t>(10 + i % 2)));
  player.play(Clip(42, 6));
  log->release();
  // The first clip, then only the latest request: the ones in between were overtaken.
  QTRY_COMPARE(log->snapshot(), (std::vector<std::string>{"play 1/4", "play 42/6"}));
  QTest::qWait(50);
  QCOMPARE(log->snapshot().size(), std::size_t(2));
  QCOMPARE(log->made.load(), 1); // one output serves every clip
}

void WaveTest::stopReachesTheOutput() {
  auto log = std::make_shared<OutputLog>();
  SoundPlayer player(Recording(log));
  player.play(Clip(3, 0));
  QTRY_COMPARE(log->snapshot().size(), std::size_t(1));
  player.stop();
  QTRY_COMPARE(log->snapshot(), (std::vector<std::string>{"play -1/0", "stop"}));
}

void WaveTest::aHungOutputHoldsUpNeitherCallsNorShutdown() {
  auto log = std::make_shared<OutputLog>();
  auto player = std::make_unique<SoundPlayer>(Recording(log));
  log->hang();
  player->play(Clip(1));
  QTRY_VERIFY(log->inPlay);
  // The audio thread is stuck; this thread goes on taking requests and answering events.
  for (int i = 0; i < 100; ++i) {
    player->play(Clip(2));
    player->stop();
  }
  bool answered = false; // an event posted now is handled
  QTimer::singleShot(0, [&answered] { answered = true; });
  QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
  QVERIFY(!player->shutDown(std::chrono::milliseconds(50)));
  player.reset(); // gives up on the thread instead of waiting for it
  QVERIFY(log->inPlay);
  log->release();
  // Once out of the audio system the abandoned thread stops its output and ends.
  QTRY_COMPARE(log->snapshot(), (std::vector<std::string>{"play 1/4", "stop"}));
}

QTEST_GUILESS_MAIN(WaveTest)
#include "test_ui_wave.moc"
