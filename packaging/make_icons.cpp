// Draws the window icon's artwork at every size of the desktop's hicolor theme, as
// FOLDER/NxN/apps/tessary.png, so the installed icons are the window's own picture; and the same
// pictures as FOLDER/tessary.ico, the icon a Windows build carries as its resource.
#include "ui/window_icon.hpp"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

void PutU16(QByteArray &out, unsigned v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(QByteArray &out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// An ICO file whose entries are PNG pictures, as Windows Vista and later read them: a 6-byte
// header, a 16-byte entry per picture (0 stands for 256 pixels), then the pictures.
QByteArray IcoOf(const std::vector<QByteArray> &pngs) {
  QByteArray out;
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, static_cast<unsigned>(pngs.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pngs.size());
  for (std::size_t i = 0; i < pngs.size(); ++i) {
    const int size = kSizes[i];
    out.append(static_cast<char>(size >= 256 ? 0 : size));
    out.append(static_cast<char>(size >= 256 ? 0 : size));
    out.append('\0'); // no palette
    out.append('\0');
    PutU16(out, 1);  // planes
    PutU16(out, 32); // bits per pixel
    PutU32(out, static_cast<std::uint32_t>(pngs[i].size()));
    PutU32(out, offset);
    offset += static_cast<std::uint32_t>(pngs[i].size());
  }
  for (const QByteArray &png : pngs)
    out.append(png);
  return out;
}

bool WriteIco(const QString &file, const std::vector<QByteArray> &pngs) {
  QFile out(file);
  const QByteArray bytes = IcoOf(pngs);
  return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessary_make_icons FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  std::vector<QByteArray> pngs;
  for (const int size : kSizes) {
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    const QString file = dir + QStringLiteral("/tessary.png");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    const QImage image = tessary::ui::WindowIconImage(size);
    if (!QDir().mkpath(dir) || !image.save(file, "PNG") || !image.save(&buffer, "PNG")) {
      std::fprintf(stderr, "tessary_make_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
    pngs.push_back(png);
  }
  const QString ico = folder + QStringLiteral("/tessary.ico");
  if (!WriteIco(ico, pngs)) {
    std::fprintf(stderr, "tessary_make_icons: cannot write %s\n", qPrintable(ico));
    return 1;
  }
  return 0;
}
