#pragma once

#include <QIcon>
#include <QImage>

namespace tessary::ui {

// The program's 32 x 32 window icon, drawn here: four coloured tiles on the window's dark blue.
QImage WindowIconImage();
QIcon WindowIcon();

// The same artwork at size x size pixels (the desktop's icon sizes). A whole multiple of 32
// turns each pixel into a square block, so the edges stay hard; any other size is the exact
// average of blocks of a larger such multiple, so no tile or edge moves.
QImage WindowIconImage(int size);

} // namespace tessary::ui
