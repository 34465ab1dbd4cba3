// Sound without an audio device: reading a WAV file's samples, and the player that hands clips
// to an audio thread, driven here with outputs that record what they are given or hang.
#include "recording_output.hpp"
#include "ui/sound_player.hpp"
#include "ui/wave_clip.hpp"

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

std::vector<std::uint8_t> Bytes(const QByteArray &bytes) { return {bytes.begin(), bytes.end()}; }

QByteArray Le16(int v) { return QByteArray(1, char(v & 0xff)) + QByteArray(1, char(v >> 8)); }
QByteArray Le32(std::uint32_t v) { return Le16(int(v & 0xffff)) + Le16(int(v >> 16)); }

QByteArray Fmt(int channels, std::uint32_t rate, int bits, int tag = 1) {
  const int align = channels * bits / 8;
  return "fmt " + Le32(16) + Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) +
         Le16(align) + Le16(bits);
}
QByteArray Data(const QByteArray &samples) {
  return "data" + Le32(std::uint32_t(samples.size())) + samples;
}
const QByteArray kHead("RIFF\0\0\0\0WAVE", 12);

WaveClip Clip(std::uint8_t first, std::size_t size = 4) {
  WaveClip clip{8000, 1, 8, std::vector<std::uint8_t>(size, 0x80)};
  if (size)
    clip.samples[0] = first;
  return clip;
}

} // namespace

class WaveTest : public QObject {
  Q_OBJECT
private slots:
  void decodesPlayablePcm_data();
  void decodesPlayablePcm();
  void refusesWhatItCannotPlay_data();
  void refusesWhatItCannotPlay();

  void playsOnTheAudioThreadOnly();
  void makesNoOutputUntilTheFirstSound();
  void aBurstOfRequestsEndsOnTheLast();
  void stopReachesTheOutput();
  void aHungOutputHoldsUpNeitherCallsNorShutdown();
};

void WaveTest::decodesPlayablePcm_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<int>("rate");
  QTest::addColumn<int>("channels");
  QTest::addColumn<int>("bits");
  QTest::addColumn<QByteArray>("samples");
  const QByteArray four("\x01\x02\x03\x04", 4);
  QTest::newRow("8-bit mono") << kHead + Fmt(1, 8000, 8) + Data(four) << 8000 << 1 << 8 << four;
  QTest::newRow("16-bit stereo at 44100")
      << kHead + Fmt(2, 44100, 16) + Data(four) << 44100 << 2 << 16 << four;
  QTest::newRow("16-bit mono at 22050")
      << kHead + Fmt(1, 22050, 16) + Data(four) << 22050 << 1 << 16 << four;
  QTest::newRow("8-bit stereo") << kHead + Fmt(2, 11025, 8) + Data(four) << 11025 << 2 << 8 << four;
  QTest::newRow("other chunk first, odd length padded")
      << kHead + "LIST" + Le32(3) + QByteArray("abc\0", 4) + Fmt(1, 8000, 8) + Data(four) << 8000
      << 1 << 8 << four;
  QTest::newRow("longer fmt chunk")
      << kHead + "fmt " + Le32(18) + Fmt(1, 8000, 8).mid(8) + Le16(0) + Data(four) << 8000 << 1 << 8
      << four;
  QTest::newRow("empty data") << kHead + Fmt(1, 8000, 8) + Data({}) << 8000 << 1 << 8
                              << QByteArray();
  QTest::newRow("part frame at the end left out")
      << kHead + Fmt(2, 8000, 16) + Data("\x01\x02\x03\x04\x05\x06") << 8000 << 2 << 16 << four;
  QTest::newRow("bytes after the data")
      << kHead + Fmt(1, 8000, 8) + Data(four) + "junk" << 8000 << 1 << 8 << four;
}

void WaveTest::decodesPlayablePcm() {
  QFETCH(QByteArray, file);
  QFETCH(int, rate);
  QFETCH(int, channels);
  QFETCH(int, bits);
  QFETCH(QByteArray, samples);
  const auto clip = DecodeWave(Bytes(file));
  QVERIFY(clip);
  QCOMPARE(clip->rate, rate);
  QCOMPARE(clip->channels, channels);
  QCOMPARE(clip->bitsPerSample, bits);
  QCOMPARE(clip->samples, Bytes(samples));
}

void WaveTest::refusesWhatItCannotPlay_data() {
  QTest::addColumn<QByteArray>("file");
  const QByteArray fmt = Fmt(1, 8000, 8);
  const QByteArray data = Data("\x80\x80");
  QTest::newRow("no data chunk") << kHead + fmt;
  QTest::newRow("data before fmt") << kHead + data + fmt;
  QTest::newRow("data longer than the file") << kHead + fmt + data.left(8);
  QTest::newRow("fmt cut short") << kHead + fmt.left(20);
  QTest::newRow("fmt too small") << kHead + "fmt " + Le32(4) + "abcd" + data;
  QTest::newRow("chunk size near 4 GiB") << kHead + "LIST" + Le32(0xffffffffu) + fmt + data;
  QTest::newRow("not RIFF") << "RIFX" + kHead.mid(4) + fmt + data;
  QTest::newRow("not WAVE") << QByteArray("RIFF\0\0\0\0AVI ", 12) + fmt + data;
  QTest::newRow("compressed") << kHead + Fmt(1, 8000, 4, 2) + data;
  QTest::newRow("24-bit") << kHead + Fmt(1, 8000, 24) + data;
  QTest::newRow("three channels") << kHead + Fmt(3, 8000, 8) + data;
  QTest::newRow("no channels") << kHead + Fmt(0, 8000, 8) + data;
  QTest::newRow("rate 0") << kHead + Fmt(1, 0, 8) + data;
  QTest::newRow("rate absurd") << kHead + Fmt(1, 0x7fffffff, 8) + data;
  QTest::newRow("text") << QByteArray("JASC-PAL");
  QTest::newRow("header cut short") << kHead.left(10);
  QTest::newRow("empty") << QByteArray();
}

void WaveTest::refusesWhatItCannotPlay() {
  QFETCH(QByteArray, file);
  QVERIFY(!DecodeWave(Bytes(file)));
}

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
