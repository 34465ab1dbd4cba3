#pragma once

#include "surface/dib_section.hpp"

#include <QImage>

namespace tessary::ui {

// The surface's pixels as an image for the screen (one pass over the bottom-up BGR storage).
// A surface that holds no pixels gives a null image.
QImage ImageFromSurface(const cDIBSection &surface);

} // namespace tessary::ui
