#include "scripted_platform.hpp"

namespace tessary::test {

namespace {

template <typename T> std::optional<T> Next(std::deque<std::optional<T>> &queue) {
  if (queue.empty())
    return std::nullopt;
  auto answer = queue.front();
  queue.pop_front();
  return answer;
}

} // namespace

ui::MessageAnswer ScriptedPlatform::messageBox(const ui::MessageRequest &request) {
  messages.push_back(request);
  if (messageAnswers.empty())
    return ui::MessageAnswer::Ok;
  const auto answer = messageAnswers.front();
  messageAnswers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::openFileDialog(const ui::FileDialogRequest &request) {
  openRequests.push_back(request);
  return Next(openAnswers);
}

std::optional<std::string> ScriptedPlatform::saveFileDialog(const ui::FileDialogRequest &request) {
  saveRequests.push_back(request);
  return Next(saveAnswers);
}

std::optional<Colour> ScriptedPlatform::colourDialog(Colour initial) {
  colourRequests.push_back(initial);
  return Next(colourAnswers);
}

bool ScriptedPlatform::escapeHeld() {
  ++escapePolls;
  return escape();
}

void ScriptedPlatform::setBusyCursor(bool busy) {
  if (busy) {
    if (busyDepth++ == 0)
      ++busyShown;
  } else {
    --busyDepth;
  }
}

std::optional<std::string> ScriptedPlatform::environment(const std::string &name) {
  const auto found = env.find(name);
  if (found == env.end())
    return std::nullopt;
  return found->second;
}

} // namespace tessary::test
