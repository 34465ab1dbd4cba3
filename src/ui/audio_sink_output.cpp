#include "ui/audio_sink_output.hpp"

#include <QAudioSink>
#include <QMediaDevices>

namespace tessary::ui {

namespace {

QAudioFormat FormatOf(const WaveClip &clip) {
  QAudioFormat format;
  format.setSampleRate(clip.rate);
  format.setChannelCount(clip.channels);
  format.setSampleFormat(clip.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
  return format;
}

} // namespace

AudioSinkOutput::AudioSinkOutput() = default;
AudioSinkOutput::~AudioSinkOutput() { stop(); }

void AudioSinkOutput::play(const WaveClip &clip) {
  stop();
  const QAudioFormat format = FormatOf(clip);
  if (!sink_ || format != format_) {
    sink_.reset();
    sink_ = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
    format_ = format;
  }
  data_ = QByteArray(reinterpret_cast<const char *>(clip.samples.data()),
                     static_cast<qsizetype>(clip.samples.size()));
  buffer_.setData(data_);
  buffer_.open(QIODevice::ReadOnly);
  sink_->start(&buffer_);
}

void AudioSinkOutput::stop() {
  if (sink_)
    sink_->stop();
  buffer_.close();
}

std::unique_ptr<ClipOutput> MakeAudioSinkOutput() { return std::make_unique<AudioSinkOutput>(); }

} // namespace tessary::ui
