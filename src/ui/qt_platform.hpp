#pragma once

#include "ui/escape_tracker.hpp"
#include "ui/platform.hpp"

#include <QPointer>
#include <QWidget>

#include <memory>

class QSoundEffect;

namespace tessary::ui {

// The real platform: Qt's message boxes, file and colour dialogs, sound and cursor.
class QtPlatform : public Platform {
public:
  QtPlatform();
  ~QtPlatform() override;

  // Dialogs and message boxes are shown over this window.
  void setParentWindow(QWidget *window) { parent_ = window; }

  MessageAnswer messageBox(const MessageRequest &request) override;
  std::optional<std::string> openFileDialog(const FileDialogRequest &request) override;
  std::optional<std::string> saveFileDialog(const FileDialogRequest &request) override;
  std::optional<Colour> colourDialog(Colour initial) override;
  void playSound(const std::string &path) override;
  bool escapeHeld() override;
  long hundredthsSinceMidnight() override;
  void setBusyCursor(bool busy) override;
  std::optional<std::string> environment(const std::string &name) override;

private:
  std::optional<std::string> fileDialog(const FileDialogRequest &request, bool save);

  QPointer<QWidget> parent_;
  EscapeTracker escape_;
  std::unique_ptr<QSoundEffect> sound_; // made on first use: no audio set-up for a silent run
  int busyDepth_ = 0;
};

} // namespace tessary::ui
