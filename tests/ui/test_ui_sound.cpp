// Sound on the real playback path: the platform reads the file, the audio thread plays it
// through Qt's audio output into a PulseAudio server this test starts for itself, with a null
// sink whose monitor is recorded. Skipped where no PulseAudio can be started.
#include "archive/drs_writer.hpp"
#include "support/test_support.hpp"
#include "ui/mainform.hpp"
#include "ui/qt_platform.hpp"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListView>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

#include <sys/prctl.h>

using namespace tessary;
using namespace tessary::ui;

namespace {

// The null sink's format; clips in it pass through the server unchanged.
constexpr int kSinkRate = 22050;
// Recorded samples at least this loud count as sound (the clips peak near 12000).
constexpr int kAudible = 64;

using Samples = std::vector<std::int16_t>;

struct Tone {
  int rate = kSinkRate;
  int channels = 1;
  int bits = 16;
  double seconds = 0.3;
  double startHz = 400, endHz = 1600;
};

// A chirp with a soft attack and decay (as the demo archive's), as mono 16-bit samples at the
// tone's rate.
Samples Chirp(const Tone &tone) {
  const auto count = static_cast<std::size_t>(std::lround(tone.rate * tone.seconds));
  Samples samples(count);
  double phase = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / static_cast<double>(count);
    phase += 2 * std::numbers::pi * (tone.startHz + (tone.endHz - tone.startHz) * t) / tone.rate;
    const double envelope = std::min(1.0, t * 20) * (1 - t);
    samples[i] = static_cast<std::int16_t>(12000 * envelope * std::sin(phase));
  }
  return samples;
}

void Put(std::vector<std::uint8_t> &out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The samples as a WAV file in the tone's format (8-bit keeps the high byte; stereo repeats
// each sample on both channels).
std::vector<std::uint8_t> Wav(const Tone &tone, const Samples &samples) {
  std::vector<std::uint8_t> pcm;
  for (const std::int16_t sample : samples)
    for (int c = 0; c < tone.channels; ++c) {
      if (tone.bits == 8)
        pcm.push_back(static_cast<std::uint8_t>((sample >> 8) + 128));
      else
        Put(pcm, static_cast<std::uint16_t>(sample), 2);
    }
  const auto align = static_cast<std::uint32_t>(tone.channels * tone.bits / 8);
  std::vector<std::uint8_t> wav{'R', 'I', 'F', 'F'};
  Put(wav, 36 + static_cast<std::uint32_t>(pcm.size()), 4);
  for (const char ch : std::string("WAVEfmt "))
    wav.push_back(static_cast<std::uint8_t>(ch));
  Put(wav, 16, 4);
  Put(wav, 1, 2);
  Put(wav, static_cast<std::uint32_t>(tone.channels), 2);
  Put(wav, static_cast<std::uint32_t>(tone.rate), 4);
  Put(wav, static_cast<std::uint32_t>(tone.rate) * align, 4);
  Put(wav, align, 2);
  Put(wav, static_cast<std::uint32_t>(tone.bits), 2);
  for (const char ch : std::string("data"))
    wav.push_back(static_cast<std::uint8_t>(ch));
  Put(wav, static_cast<std::uint32_t>(pcm.size()), 4);
  wav.insert(wav.end(), pcm.begin(), pcm.end());
  return wav;
}

// What the clip sounds like at the sink: 8-bit clips lose their low byte.
Samples AsPlayed(const Tone &tone, Samples samples) {
  if (tone.bits == 8)
    for (auto &sample : samples)
      sample = static_cast<std::int16_t>((sample >> 8) * 256);
  return samples;
}

std::optional<std::size_t> FirstAudible(const Samples &s) {
  const auto it = std::find_if(s.begin(), s.end(), [](int v) { return std::abs(v) >= kAudible; });
  return it == s.end() ? std::nullopt : std::optional<std::size_t>(it - s.begin());
}
std::size_t LastAudible(const Samples &s) {
  const auto it = std::find_if(s.rbegin(), s.rend(), [](int v) { return std::abs(v) >= kAudible; });
  return static_cast<std::size_t>(s.rend() - it) - 1;
}
double Seconds(std::size_t samples) { return static_cast<double>(samples) / kSinkRate; }

// The largest difference between the clip and the recording laid so that the clip ends at
// `end` (the recording's last audible sample matches the clip's).
int LargestDifference(const Samples &clip, const Samples &recorded, std::size_t recordedEnd) {
  const std::size_t clipEnd = LastAudible(clip);
  if (recordedEnd < clipEnd)
    return 1 << 16;
  const std::size_t offset = recordedEnd - clipEnd;
  int largest = 0;
  for (std::size_t i = 0; i < clip.size(); ++i) {
    const int got = offset + i < recorded.size() ? recorded[offset + i] : 0;
    largest = std::max(largest, std::abs(got - clip[i]));
  }
  return largest;
}

// A PulseAudio server of our own: private runtime folder and home, one null sink in the clips'
// format, reached through its own socket. Works as root too (a per-user server, not the
// system one).
class PrivatePulse {
public:
  PrivatePulse() {
    pulseaudio_ = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    parec_ = QStandardPaths::findExecutable(QStringLiteral("parec"));
    pactl_ = QStandardPaths::findExecutable(QStringLiteral("pactl"));
    if (pulseaudio_.isEmpty() || parec_.isEmpty() || pactl_.isEmpty()) {
      why_ = "pulseaudio, parec or pactl is not installed";
      return;
    }
    const QString root = QString::fromStdString(temp_.path().string());
    QDir(root).mkpath(QStringLiteral("run"));
    QDir(root).mkpath(QStringLiteral("home"));
    QFile::setPermissions(root + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    socket_ = root + "/run/native";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root + "/home");
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + "/run");
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), root + "/run");
    env.remove(QStringLiteral("PULSE_SERVER"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    server_.setProcessEnvironment(env);
    // The server goes with this test, even should the test die: it would otherwise run for ever.
    server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    server_.setStandardOutputFile(QProcess::nullDevice());
    server_.setStandardErrorFile(root + "/pulseaudio.log"); // its complaints stay out of the way
    server_.start(
        pulseaudio_,
        {"--daemonize=no", "--system=false", "-n", "--exit-idle-time=-1",
         "--disallow-module-loading", "--log-level=error", "-L",
         QStringLiteral("module-null-sink sink_name=tessary norewinds=1 rate=%1 channels=1 "
                        "format=s16le")
             .arg(kSinkRate),
         "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    if (!server_.waitForStarted(5000)) {
      why_ = "pulseaudio did not start: " + server_.errorString().toStdString();
      return;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000 && server_.state() == QProcess::Running) {
      if (answers()) {
        up_ = true;
        return;
      }
      QTest::qWait(100);
    }
    QFile log(root + "/pulseaudio.log");
    why_ = "pulseaudio did not answer on its socket";
    if (log.open(QIODevice::ReadOnly))
      why_ += ": " + log.readAll().trimmed().toStdString();
  }
  ~PrivatePulse() {
    if (server_.state() != QProcess::NotRunning) {
      server_.terminate();
      if (!server_.waitForFinished(5000))
        server_.kill();
      server_.waitForFinished(5000);
    }
  }

  bool up() const { return up_; }
  const std::string &why() const { return why_; }
  QString server() const { return "unix:" + socket_; }

  // Records the sink's monitor while `play` runs and for `after` milliseconds afterwards.
  template <class Play> Samples record(Play play, int after) {
    QProcess parec;
    parec.setProcessChannelMode(QProcess::SeparateChannels);
    parec.start(parec_, {"--server=" + server(), "--device=tessary.monitor", "--raw",
                         QStringLiteral("--rate=%1").arg(kSinkRate), "--channels=1",
                         "--format=s16le", "--latency-msec=10"});
    QByteArray bytes;
    // The monitor streams silence as soon as it records: wait for that before playing.
    QElapsedTimer waited;
    waited.start();
    while (bytes.size() < 2 * kSinkRate / 10 && waited.elapsed() < 10000 &&
           parec.state() != QProcess::NotRunning) {
      parec.waitForReadyRead(100);
      bytes += parec.readAllStandardOutput();
    }
    play();
    QTest::qWait(after);
    bytes += parec.readAllStandardOutput();
    parec.terminate();
    parec.waitForFinished(5000);
    bytes += parec.readAllStandardOutput();
    if (const QByteArray dump = qgetenv("TESSARY_SOUND_DUMP"); !dump.isEmpty()) {
      QFile out(QString::fromLocal8Bit(dump));
      if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
    }
    Samples samples(static_cast<std::size_t>(bytes.size()) / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                             (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
    return samples;
  }

private:
  bool answers() {
    QProcess pactl;
    pactl.setStandardOutputFile(QProcess::nullDevice());
    pactl.setStandardErrorFile(QProcess::nullDevice());
    pactl.start(pactl_, {"--server=" + server(), "info"});
    return pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit &&
           pactl.exitCode() == 0;
  }

  test::TempDir temp_;
  QString pulseaudio_, parec_, pactl_, socket_;
  QProcess server_;
  bool up_ = false;
  std::string why_;
};

std::string WriteWav(const test::TempDir &temp, const std::string &name, const Tone &tone,
                     const Samples &samples) {
  const std::string path = temp.file(name);
  test::WriteFile(path, Wav(tone, samples));
  return path;
}

} // namespace

class SoundTest : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void cleanupTestCase();
  void clipPlaysWhole_data();
  void clipPlaysWhole();
  void aNewSoundCutsTheOldOneAndPlaysWhole();
  void windowAnswersAfterAThousandSwitches();

private:
  std::unique_ptr<PrivatePulse> pulse_;
};

void SoundTest::initTestCase() {
  pulse_ = std::make_unique<PrivatePulse>();
  if (pulse_->up()) // before Qt's audio first connects (on the first sound)
    qputenv("PULSE_SERVER", pulse_->server().toLocal8Bit());
  else
    qInfo("no PulseAudio: %s", pulse_->why().c_str());
}

void SoundTest::cleanupTestCase() { pulse_.reset(); }

void SoundTest::clipPlaysWhole_data() {
  QTest::addColumn<int>("rate");
  QTest::addColumn<int>("channels");
  QTest::addColumn<int>("bits");
  QTest::addColumn<double>("seconds");
  QTest::addColumn<bool>("exact"); // whether the server passes the samples through unchanged
  QTest::newRow("16-bit mono at the sink's rate") << kSinkRate << 1 << 16 << 0.3 << true;
  QTest::newRow("8-bit mono") << kSinkRate << 1 << 8 << 0.3 << true;
  QTest::newRow("16-bit stereo") << kSinkRate << 2 << 16 << 0.3 << true;
  QTest::newRow("short, 8-bit stereo") << kSinkRate << 2 << 8 << 0.06 << true;
  QTest::newRow("16-bit mono at 44100 (resampled)") << 44100 << 1 << 16 << 0.5 << false;
  QTest::newRow("8-bit mono at 11025 (resampled)") << 11025 << 1 << 8 << 0.3 << false;
}

void SoundTest::clipPlaysWhole() {
  if (!pulse_->up())
    QSKIP(("no PulseAudio server could be started: " + pulse_->why()).c_str());
  QFETCH(int, rate);
  QFETCH(int, channels);
  QFETCH(int, bits);
  QFETCH(double, seconds);
  QFETCH(bool, exact);
  const Tone tone{rate, channels, bits, seconds};
  const Samples clip = Chirp(tone);
  test::TempDir temp;
  const std::string path = WriteWav(temp, "clip.wav", tone, clip);
  QtPlatform platform;
  const Samples recorded =
      pulse_->record([&] { platform.playSound(path); }, static_cast<int>(seconds * 1000) + 800);
  const auto first = FirstAudible(recorded);
  QVERIFY2(first, "nothing was heard");
  const std::size_t last = LastAudible(recorded);
  const double heard = Seconds(last - *first + 1);
  const Samples expected = AsPlayed(tone, Chirp({kSinkRate, 1, 16, seconds}));
  const double length = Seconds(LastAudible(expected) - *FirstAudible(expected) + 1);
  qInfo("clip %.3f s, heard %.3f s", length, heard);
  QVERIFY2(std::abs(heard - length) <= 0.020,
           qPrintable(QStringLiteral("heard %1 s of a %2 s clip").arg(heard).arg(length)));
  if (exact) {
    const int largest = LargestDifference(expected, recorded, last);
    QVERIFY2(largest <= 4, qPrintable(QStringLiteral("samples differ by up to %1").arg(largest)));
  }
}

void SoundTest::aNewSoundCutsTheOldOneAndPlaysWhole() {
  if (!pulse_->up())
    QSKIP(("no PulseAudio server could be started: " + pulse_->why()).c_str());
  const Tone longTone{kSinkRate, 1, 16, 2.0, 300, 300};
  const Tone shortTone{kSinkRate, 1, 16, 0.25, 900, 1800};
  test::TempDir temp;
  const std::string first = WriteWav(temp, "long.wav", longTone, Chirp(longTone));
  const std::string second = WriteWav(temp, "short.wav", shortTone, Chirp(shortTone));
  QtPlatform platform;
  const Samples recorded = pulse_->record(
      [&] {
        platform.playSound(first);
        QTest::qWait(400);
        platform.playSound(second);
      },
      1200);
  const auto start = FirstAudible(recorded);
  QVERIFY2(start, "nothing was heard");
  const std::size_t last = LastAudible(recorded);
  const double heard = Seconds(last - *start + 1);
  qInfo("the first sound and the second together: %.3f s (of 2 s and 0.25 s, 0.4 s apart)", heard);
  QVERIFY2(heard < 1.0, "the first sound went on playing"); // 0.4 s of it, then the second
  // The recording ends with the whole second sound, unmixed.
  const int largest = LargestDifference(Chirp(shortTone), recorded, last);
  QVERIFY2(largest <= 4, qPrintable(QStringLiteral("samples differ by up to %1").arg(largest)));
}

void SoundTest::windowAnswersAfterAThousandSwitches() {
  test::TempDir temp;
  const Tone a{kSinkRate, 1, 16, 0.3};
  const Tone b{11025, 2, 8, 0.2, 800, 200};
  const std::string archive = temp.file("two.drs");
  test::WriteFile(archive,
                  BuildArchive({{kSoundTag, {{1, Wav(a, Chirp(a))}, {2, Wav(b, Chirp(b))}}}}));
  QDir(QString::fromStdString(temp.path().string())).mkpath(QStringLiteral("tmp"));
  const QByteArray oldTemp = qgetenv("TEMP");
  qputenv("TEMP", temp.file("tmp").c_str());
  {
    QtPlatform platform;
    MainForm form(platform);
    form.OpenArchive(archive);
    QCOMPARE(form.DRSFilesModel->rowCount(), 3); // the heading and the two sounds
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 1000; ++i)
      form.DRSFilesList->setCurrentIndex(form.DRSFilesModel->index(1 + i % 2));
    const qint64 switching = clock.elapsed();
    bool answered = false;
    QTimer::singleShot(0, &form, [&answered] { answered = true; });
    clock.restart();
    QTRY_VERIFY_WITH_TIMEOUT(answered, 60000);
    qInfo("1000 switches between two sounds: %lld ms (%.2f ms each); an event posted then was "
          "handled after %lld ms%s",
          static_cast<long long>(switching), static_cast<double>(switching) / 1000,
          static_cast<long long>(clock.elapsed()),
          pulse_->up() ? " (sound on the private PulseAudio)" : " (no PulseAudio)");
    QVERIFY(platform.shutDownSound(std::chrono::seconds(10)));
  }
  if (oldTemp.isNull())
    qunsetenv("TEMP");
  else
    qputenv("TEMP", oldTemp);
}

QTEST_MAIN(SoundTest)
#include "test_ui_sound.moc"
