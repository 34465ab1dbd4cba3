#include "ui/window_icon.hpp"

#include <QPainter>
#include <QPixmap>

namespace tessary::ui {

QImage WindowIconImage() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(QColor(0, 0, 128));
  QPainter painter(&image);
  painter.setPen(Qt::NoPen);
  // A 2 x 2 mosaic: the archive's tiles, one per kind of resource.
  const QColor tiles[] = {QColor(224, 224, 224), QColor(255, 255, 0), QColor(0, 160, 0),
                          QColor(200, 0, 0)};
  for (int i = 0; i < 4; ++i)
    painter.fillRect(QRect(4 + (i % 2) * 13, 4 + (i / 2) * 13, 11, 11), tiles[i]);
  painter.setPen(QColor(255, 255, 255));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(1, 1, 29, 29));
  return image;
}

QIcon WindowIcon() { return QIcon(QPixmap::fromImage(WindowIconImage())); }

} // namespace tessary::ui
