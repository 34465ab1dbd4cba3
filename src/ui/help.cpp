#include "ui/help.hpp"

#include "view/help_text.hpp"

namespace tessary::ui {

void ShowHelp(Platform &platform) {
  MessageRequest request;
  request.text = view::kHelpText;
  request.title = view::kHelpTitle;
  request.buttons = MessageButtons::Ok;
  request.icon = MessageIcon::Information;
  platform.messageBox(request);
}

} // namespace tessary::ui
