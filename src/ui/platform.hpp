#pragma once

#include "common/colour.hpp"
#include "common/messages.hpp"

#include <optional>
#include <string>

// Everything the window asks of the operating system and of the person in front of it. The
// window talks only to this interface, so tests drive every handler headless with scripted
// answers, dialogs included.
namespace tessary::ui {

enum class MessageButtons { Ok, OkCancel };
enum class MessageIcon { None, Critical, Information };
enum class MessageAnswer { Ok, Cancel };

struct MessageRequest {
  std::string text;
  std::string title = kAppTitle;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  // What exactly went wrong: the box's details, and a line on standard error; empty for none.
  std::string detail;
};

// An open or save dialog. The filter is in the old "description|patterns|..." form.
struct FileDialogRequest {
  std::string title;
  std::string filter;
  int filterIndex = 1;  // preselected filter entry, counted from 1
  std::string fileName; // proposed name; a name with a folder starts the dialog there
  std::string folder;   // start folder
};

class Platform {
public:
  virtual ~Platform() = default;

  // Shows a message box and waits for the answer.
  virtual MessageAnswer messageBox(const MessageRequest &request) = 0;
  // The chosen full path, or nothing when the dialog was cancelled.
  virtual std::optional<std::string> openFileDialog(const FileDialogRequest &request) = 0;
  virtual std::optional<std::string> saveFileDialog(const FileDialogRequest &request) = 0;
  // The chosen colour, or nothing when cancelled.
  virtual std::optional<Colour> colourDialog(Colour initial) = 0;
  // Starts playing a WAV file and returns at once; a later call replaces the sound playing.
  virtual void playSound(const std::string &path) = 0;
  // Whether the Escape key is down now (polled by long decodes).
  virtual bool escapeHeld() = 0;
  // Whether the program has been asked to end (a terminating signal): long work stops early so
  // that the window can close and clean up at once.
  virtual bool endRequested() { return false; }
  // The time of day in hundredths of a second since midnight (0 ... 8639999).
  virtual long hundredthsSinceMidnight() = 0;
  // Shows or removes the busy cursor; calls nest.
  virtual void setBusyCursor(bool busy) = 0;
  // An environment variable, or nothing when unset.
  virtual std::optional<std::string> environment(const std::string &name) = 0;
};

// Shows the busy cursor for the lifetime of the object.
class BusyCursor {
public:
  explicit BusyCursor(Platform &platform) : platform_(platform) { platform_.setBusyCursor(true); }
  ~BusyCursor() { platform_.setBusyCursor(false); }
  BusyCursor(const BusyCursor &) = delete;
  BusyCursor &operator=(const BusyCursor &) = delete;

private:
  Platform &platform_;
};

} // namespace tessary::ui
