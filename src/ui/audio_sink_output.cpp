#include "ui/audio_sink_output.hpp"

#include <QAudioSink>
#include <QMediaDevices>

namespace tessary::ui {

namespace {

// Archives hold sounds in a handful of formats at most; more than this are not kept.
constexpr std::size_t kKeptSinks = 4;

QAudioFormat FormatOf(const view::WaveClip &clip) {
  QAudioFormat format;
  format.setSampleRate(clip.rate);
  format.setChannelCount(clip.channels);
  format.setSampleFormat(clip.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
  return format;
}

} // namespace

AudioSinkOutput::AudioSinkOutput() = default;

AudioSinkOutput::~AudioSinkOutput() {
  stop();
  sinks_.clear();
}

QAudioSink &AudioSinkOutput::sinkFor(const QAudioFormat &format) {
  for (auto &kept : sinks_)
    if (kept.format == format)
      return *kept.sink;
  if (sinks_.size() >= kKeptSinks)
    sinks_.erase(sinks_.begin()); // the oldest; every sink is stopped here
  sinks_.push_back(
      {format, std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format)});
  return *sinks_.back().sink;
}

void AudioSinkOutput::play(const view::WaveClip &clip) {
  stop();
  QAudioSink &sink = sinkFor(FormatOf(clip));
  clip_ = std::make_unique<QBuffer>();
  clip_->setData(reinterpret_cast<const char *>(clip.samples.data()),
                 static_cast<qsizetype>(clip.samples.size()));
  clip_->open(QIODevice::ReadOnly);
  sink.start(clip_.get());
  playing_ = &sink;
}

void AudioSinkOutput::stop() {
  if (playing_)
    playing_->stop();
  playing_ = nullptr;
  clip_.reset(); // only once the sink no longer reads it
}

std::unique_ptr<ClipOutput> MakeAudioSinkOutput() { return std::make_unique<AudioSinkOutput>(); }

} // namespace tessary::ui
