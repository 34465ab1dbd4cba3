#pragma once

#include "ui/escape_tracker.hpp"
#include "ui/platform.hpp"
#include "ui/sound_player.hpp"

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>

namespace tessary::ui {

// The system's default audio output, as the audio thread's output.
std::unique_ptr<ClipOutput> MakeSystemSoundOutput();

// The real platform: Qt's message boxes, file and colour dialogs, sound and cursor.

class QtPlatform : public Platform {
public:
  // Sounds go to the system's audio output unless another one is given.
  explicit QtPlatform(ClipOutputFactory soundOutput = MakeSystemSoundOutput);
  ~QtPlatform() override;

  // Stops the sound and ends its thread, waiting at most `patience`. False when the audio system
  // hangs: its thread is still inside it, so the program must end without tearing down the audio
  // libraries' global state (see main).
  bool shutDownSound(std::chrono::milliseconds patience) { return sound_.shutDown(patience); }

  // Dialogs and message boxes are shown over this window.
  void setParentWindow(QWidget *window) { parent_ = window; }

  MessageAnswer messageBox(const MessageRequest &request) override;
  std::optional<std::string> openFileDialog(const FileDialogRequest &request) override;
  std::optional<std::string> saveFileDialog(const FileDialogRequest &request) override;
  std::optional<Colour> colourDialog(Colour initial) override;
  void playSound(const std::string &path) override;
  bool escapeHeld() override;
  bool endRequested() override;
  long hundredthsSinceMidnight() override;
  void setBusyCursor(bool busy) override;
  std::optional<std::string> environment(const std::string &name) override;

private:
  std::optional<std::string> fileDialog(const FileDialogRequest &request, bool save);

  QPointer<QWidget> parent_;
  EscapeTracker escape_;
  SoundPlayer sound_;
  int busyDepth_ = 0;
};

} // namespace tessary::ui
