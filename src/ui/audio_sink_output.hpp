#pragma once

#include "ui/sound_player.hpp"

#include <QAudioFormat>
#include <QBuffer>

#include <memory>
#include <vector>

class QAudioSink;

namespace tessary::ui {

// Plays clips through Qt's low-level audio output on the system's default device. Lives on the
// audio thread (the sink's timers run on that thread's event loop).
class AudioSinkOutput : public ClipOutput {
public:
  AudioSinkOutput();
  ~AudioSinkOutput() override;

  void play(const view::WaveClip &clip) override;
  void stop() override;

private:
  QAudioSink &sinkFor(const QAudioFormat &format);

  struct Sink {
    QAudioFormat format;
    std::unique_ptr<QAudioSink> sink;
  };
  // One sink per format, kept for the next clip in it: selecting sound after sound then only
  // restarts a sink, instead of making and destroying one each time (which Qt 6.4's PulseAudio
  // output does not always survive when done hundreds of times in a row).
  std::vector<Sink> sinks_;
  QAudioSink *playing_ = nullptr;
  std::unique_ptr<QBuffer> clip_; // what the playing sink reads from; one per clip
};

std::unique_ptr<ClipOutput> MakeAudioSinkOutput();

} // namespace tessary::ui
