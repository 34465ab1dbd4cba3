// The decoder against a reference written straight from the command table: one byte and one
// pixel at a time through SetPixel, the command classes tested in their listed order. The fast
// decoder must give the same two surfaces, byte for byte, for every command byte and for
// streams of random bytes.
#include "sprite/slp_builder.hpp"
#include "sprite/slp_decoder.hpp"

#include <gtest/gtest.h>

namespace tessary {
namespace {

using test::BuildSLP;
using test::FrameSpec;
using test::RowSpec;

class ReferenceDecoder {
public:
  ReferenceDecoder(const SLPFile &sprite, const PaletteTable &palette)
      : data_(sprite.bytes), palette_(palette) {}

  void decode(const SLPFrameInfo &frame, cDIBSection &image, cDIBSection &map) {
    image.Create(frame.width, frame.height);
    map.Create(frame.width, frame.height);
    image_ = &image;
    map_ = &map;
    for (y_ = 0; y_ < frame.height; ++y_) {
      const std::size_t edges = static_cast<std::size_t>(frame.outlineTableOffset) + 4 * y_;
      const std::int16_t left = LoadI16(&data_[edges]);
      const std::int16_t right = LoadI16(&data_[edges + 2]);
      x_ = 0;
      if (left == kEmptyRow) {
        run(frame.width, kKeyMagenta, kKeyMagenta);
        continue;
      }
      run(left, kKeyMagenta, kKeyMagenta);
      x_ = left; // a negative left starts the commands left of the row
      pos_ = static_cast<std::size_t>(
          LoadI32(&data_[static_cast<std::size_t>(frame.commandTableOffset) + 4 * y_]));
      if (commands())
        run(right, kKeyMagenta, kKeyMagenta);
    }
  }

private:
  // True when the row reached its end byte; false when the data ran out first.
  bool commands() {
    std::uint8_t b;
    while (next(b)) {
      const int low = b & 0x0F;
      std::int64_t n;
      std::uint8_t i;
      if (low == 0x0F)
        return true;
      if (b == 0x5E) {
        if (!next(i))
          return false;
        run(i, kKeyMagenta, kMapBlue);
      } else if (b == 0x4E) {
        run(1, kKeyMagenta, kMapBlue);
      } else if (b == 0x6E) {
        run(1, kKeyMagenta, kMapYellow);
      } else if (b == 0x7E) {
        if (!next(i))
          return false;
        run(i, kKeyMagenta, kMapYellow);
      } else if (low == 0x7) {
        if (!shortCount(b, n) || !next(i))
          return false;
        run(n, palette_[i], kMapWhite);
      } else if (low == 0xB) {
        if (!shortCount(b, n))
          return false;
        run(n, kShadowRed, kShadowRed);
      } else if (low == 0x3) {
        if (!next(i))
          return false;
        run((b >> 4) * 256 + i, kKeyMagenta, kKeyMagenta);
      } else if (low == 0xE) {
        if (!next(i))
          return false;
        run(i, palette_[16 + (b >> 4)], kMapGreen);
      } else if (low == 0x6) {
        if (!shortCount(b, n) || !copy(n, 16, kMapGreen))
          return false;
      } else if (low == 0xA) {
        if (!shortCount(b, n) || !next(i))
          return false;
        run(n, player(i), kMapGreen);
      } else if ((b & 3) == 1) {
        n = b >> 2;
        if (n == 0) {
          if (!next(i))
            return false;
          n = i;
        }
        run(n, kKeyMagenta, kKeyMagenta);
      } else if (low == 0x2) {
        if (!next(i) || !copy((b >> 4) * 256 + i, 0, kMapWhite))
          return false;
      } else {
        if (!copy(b >> 2, 0, kMapWhite))
          return false;
      }
    }
    return false;
  }

  bool next(std::uint8_t &b) {
    if (pos_ >= data_.size())
      return false;
    b = data_[pos_++];
    return true;
  }

  bool shortCount(std::uint8_t b, std::int64_t &n) {
    n = b >> 4;
    std::uint8_t extra;
    if (n == 0) {
      if (!next(extra))
        return false;
      n = extra;
    }
    return true;
  }

  // Indexes 240 and up wrap round to the start of the table (the decoder's documented choice).
  Colour player(std::uint8_t i) const { return palette_[(i + 16) % 256]; }

  bool copy(std::int64_t n, int shift, Colour mapColour) {
    for (std::int64_t k = 0; k < n; ++k) {
      std::uint8_t i;
      if (!next(i))
        return false;
      put(shift ? player(i) : palette_[i], mapColour);
    }
    return true;
  }

  void run(std::int64_t n, Colour imageColour, Colour mapColour) {
    for (std::int64_t k = 0; k < n; ++k)
      put(imageColour, mapColour);
  }

  void put(Colour imageColour, Colour mapColour) {
    if (x_ >= 0 && x_ < image_->Width()) {
      image_->SetPixel(static_cast<std::int32_t>(x_), y_, imageColour);
      map_->SetPixel(static_cast<std::int32_t>(x_), y_, mapColour);
    }
    ++x_;
  }

  const std::vector<std::uint8_t> &data_;
  const PaletteTable &palette_;
  cDIBSection *image_ = nullptr;
  cDIBSection *map_ = nullptr;
  std::int32_t y_ = 0;
  std::int64_t x_ = 0;
  std::size_t pos_ = 0;
};

void ExpectSameAsReference(const SLPFile &sprite, std::int32_t n) {
  const PaletteTable palette = test::TestPalette();
  cDIBSection image, map;
  ReferenceDecoder(sprite, palette).decode(sprite.frame(n), image, map);
  const auto decoded = test::DecodeFrame(sprite, n, palette);
  ASSERT_EQ(decoded.image.Width(), image.Width());
  ASSERT_EQ(decoded.image.Height(), image.Height());
  for (std::int32_t y = 0; y < image.Height(); ++y) {
    SCOPED_TRACE(testing::Message() << "row " << y);
    ASSERT_EQ(test::RowColours(decoded.image, y), test::RowColours(image, y));
    ASSERT_EQ(test::RowColours(decoded.map, y), test::RowColours(map, y));
  }
  EXPECT_EQ(test::Storage(decoded.image), test::Storage(image)) << "padding bytes differ";
  EXPECT_EQ(test::Storage(decoded.map), test::Storage(map)) << "padding bytes differ";
}

// Row b starts with command byte b; the bytes after it serve as its count and indexes, and
// whatever it leaves unread is decoded as further commands. Wide enough for the longest count
// (15 x 256 + 255 pixels) to stay inside the row.
FrameSpec EveryCommandByteFrame(std::vector<std::uint8_t> tail) {
  FrameSpec f;
  f.width = 4400;
  for (int b = 0; b < 256; ++b) {
    RowSpec row{2, 3, {static_cast<std::uint8_t>(b)}};
    row.commands.insert(row.commands.end(), tail.begin(), tail.end());
    f.rows.push_back(std::move(row));
  }
  return f;
}

TEST(DecoderReference, EveryCommandByteDecodesAsTheTableSays) {
  const SLPFile sprite = test::Parse(BuildSLP({
      EveryCommandByteFrame({3, 5, 0xF6, 7, 9, 250, 251, 0x0F, 0x0F}),
      // A zero count byte, and index bytes past 240 for the player commands.
      EveryCommandByteFrame({0, 245, 4, 1, 2, 3, 0x0F, 0x0F}),
      EveryCommandByteFrame({255, 0x0F, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0x0F}),
  }));
  for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
    SCOPED_TRACE(testing::Message() << "frame " << n);
    ExpectSameAsReference(sprite, n);
  }
}

TEST(DecoderReference, RandomStreamsDecodeAsTheReference) {
  struct Case {
    unsigned seed;
    std::int32_t width, height;
  };
  const Case cases[] = {{1, 37, 9}, {2, 8, 16}, {3, 3, 5}, {4, 64, 12}, {5, 300, 4}, {6, 17, 17}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "seed " << c.seed);
    const SLPFile sprite = test::Parse(test::RandomSprite(c.seed, 6, c.width, c.height));
    for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
      SCOPED_TRACE(testing::Message() << "frame " << n);
      ExpectSameAsReference(sprite, n);
    }
  }
}

} // namespace
} // namespace tessary
