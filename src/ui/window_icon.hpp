#pragma once

#include <QIcon>
#include <QImage>

namespace tessary::ui {

// The program's 32 x 32 window icon, drawn here: four coloured tiles on the window's dark blue.
QImage WindowIconImage();
QIcon WindowIcon();

} // namespace tessary::ui
