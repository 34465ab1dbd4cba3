#pragma once

#include "ui/platform.hpp"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessary::test {

// A platform that answers from queues and records every request, so window tests can drive
// handlers headless and check what the person would have been asked.
class ScriptedPlatform : public ui::Platform {
public:
  // Answers, taken front first. An empty queue answers OK to a message box and cancels a
  // dialog.
  std::deque<ui::MessageAnswer> messageAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<std::optional<Colour>> colourAnswers;
  std::map<std::string, std::string> env;
  std::function<bool()> escape = [] { return false; };
  long clock = 4529678; // advances by one hundredth at every reading

  // What was asked.
  std::vector<ui::MessageRequest> messages;
  std::vector<ui::FileDialogRequest> openRequests;
  std::vector<ui::FileDialogRequest> saveRequests;
  std::vector<Colour> colourRequests;
  std::vector<std::string> sounds;
  int escapePolls = 0;
  int busyDepth = 0;
  int busyShown = 0; // times the busy cursor went up from none

  ui::MessageAnswer messageBox(const ui::MessageRequest &request) override;
  std::optional<std::string> openFileDialog(const ui::FileDialogRequest &request) override;
  std::optional<std::string> saveFileDialog(const ui::FileDialogRequest &request) override;
  std::optional<Colour> colourDialog(Colour initial) override;
  void playSound(const std::string &path) override { sounds.push_back(path); }
  bool escapeHeld() override;
  long hundredthsSinceMidnight() override { return clock++; }
  void setBusyCursor(bool busy) override;
  std::optional<std::string> environment(const std::string &name) override;
};

} // namespace tessary::test
