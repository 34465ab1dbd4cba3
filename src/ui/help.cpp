#include "ui/help.hpp"

namespace tessary::ui {

void ShowHelp(Platform &platform) {
  MessageRequest request;
  request.text = kHelpText;
  request.title = kHelpTitle;
  request.buttons = MessageButtons::Ok;
  request.icon = MessageIcon::Information;
  platform.messageBox(request);
}

} // namespace tessary::ui
