#pragma once

#include "ui/sound_player.hpp"

#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>

#include <memory>

class QAudioSink;

namespace tessary::ui {

// Plays clips through Qt's low-level audio output on the system's default device. Lives on the
// audio thread (the sink's timers run on that thread's event loop).
class AudioSinkOutput : public ClipOutput {
public:
  AudioSinkOutput();
  ~AudioSinkOutput() override;

  void play(const WaveClip &clip) override;
  void stop() override;

private:
  std::unique_ptr<QAudioSink> sink_; // kept while clips share its format
  QAudioFormat format_;
  QByteArray data_;
  QBuffer buffer_;
};

std::unique_ptr<ClipOutput> MakeAudioSinkOutput();

} // namespace tessary::ui
