#include "surface/dib_section.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace tessary {
namespace {

std::vector<std::uint8_t> Storage(const cDIBSection &s) {
  return {s.Bits(), s.Bits() + s.BitsSize()};
}

// A colour that differs for every pixel.
Colour PatternColour(int x, int y) { return RGB(10 + x * 20, 200 - y * 30, x * 7 + y * 11); }

TEST(DibSection, NewSurfaceIsEmptyWithAZeroHeader) {
  const cDIBSection s;
  EXPECT_FALSE(s.IsCreated());
  EXPECT_EQ(s.Width(), 0);
  EXPECT_EQ(s.Height(), 0);
  EXPECT_EQ(s.Header().biSize, 0u);
  EXPECT_EQ(s.Header().biSizeImage, 0u);
  EXPECT_EQ(s.GetPixel(0, 0), kInvalidColour);
}

TEST(DibSection, RowsArePaddedToFourBytes) {
  const struct {
    int width, height, stride;
  } cases[] = {{1, 1, 4}, {2, 1, 8}, {3, 2, 12}, {4, 1, 12}, {5, 3, 16}, {7, 2, 24}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.width);
    cDIBSection s;
    ASSERT_TRUE(s.Create(c.width, c.height));
    EXPECT_EQ(s.BytesPerScanLine(), c.stride);
    EXPECT_EQ(s.Header().biSizeImage, static_cast<std::uint32_t>(c.stride * c.height));
    EXPECT_EQ(s.BitsSize(), static_cast<std::size_t>(c.stride * c.height));
  }
}

TEST(DibSection, CreateFillsTheInfoHeader) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(3, 2));
  const BitmapInfoHeader &h = s.Header();
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 3);
  EXPECT_EQ(h.biHeight, 2);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, 0u);
  EXPECT_EQ(h.biSizeImage, 24u);
  EXPECT_EQ(h.biXPelsPerMeter, 0);
  EXPECT_EQ(h.biYPelsPerMeter, 0);
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_EQ(h.biClrImportant, 0u);
}

TEST(DibSection, FreshSurfaceIsBlack) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(5, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(s.GetPixel(x, y), 0x000000u) << x << "," << y;
  EXPECT_EQ(Storage(s), std::vector<std::uint8_t>(s.BitsSize(), 0));
}

TEST(DibSection, TopRowIsStoredLast) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(2, 2));
  s.SetPixel(0, 0, 0xFF00FF);
  const std::vector<std::uint8_t> expected = {0,    0,    0,    0, 0, 0, 0, 0,
                                              0xFF, 0x00, 0xFF, 0, 0, 0, 0, 0};
  EXPECT_EQ(Storage(s), expected);
  EXPECT_EQ(s.RowBits(0), s.Bits() + 8);
  EXPECT_EQ(s.RowBits(1), s.Bits());
}

TEST(DibSection, EveryColourReadsBackExactlyAndPaddingStaysZero) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(5, 3)); // stride 16: one padding byte per row
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      s.SetPixel(x, y, PatternColour(x, y));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(s.GetPixel(x, y), PatternColour(x, y)) << x << "," << y;
    EXPECT_EQ(s.RowBits(y)[15], 0) << "padding of row " << y;
  }
  s.SetPixel(1, 1, 0x123456);
  EXPECT_EQ(s.RowBits(1)[3], 0x12); // blue, green, red
  EXPECT_EQ(s.RowBits(1)[4], 0x34);
  EXPECT_EQ(s.RowBits(1)[5], 0x56);
}

TEST(DibSection, OutsideReadsInvalidAndWritesAreIgnored) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(3, 2));
  const std::vector<std::uint8_t> before = Storage(s);
  const struct {
    int x, y;
  } outside[] = {{3, 0}, {0, -1},      {-1, 0},      {0, 2},
                 {3, 2}, {INT_MIN, 0}, {0, INT_MAX}, {INT_MAX, INT_MIN}};
  for (const auto &p : outside) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    s.SetPixel(p.x, p.y, 0xFFFFFF);
    EXPECT_EQ(s.GetPixel(p.x, p.y), kInvalidColour);
  }
  EXPECT_EQ(Storage(s), before);
}

TEST(DibSection, FillRowIsClippedToTheSurface) {
  const struct {
    int x1, x2, y;
    const char *row1; // which pixels of row 1 of a 4 x 3 surface become white
  } cases[] = {
      {0, 3, 1, "XXXX"},  {1, 2, 1, ".XX."},
      {-5, 1, 1, "XX.."}, {2, 100, 1, "..XX"},
      {3, 1, 1, "...."},  {-10, -1, 1, "...."},
      {4, 9, 1, "...."},  {0, 3, 3, "...."},
      {0, 3, -1, "...."}, {INT_MIN, INT_MAX, 1, "XXXX"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << ".." << c.x2 << " y " << c.y);
    cDIBSection s;
    ASSERT_TRUE(s.Create(4, 3));
    s.FillRow(c.x1, c.x2, c.y, 0xFFFFFF);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        const bool white = y == 1 && c.row1[x] == 'X';
        EXPECT_EQ(s.GetPixel(x, y), white ? 0xFFFFFFu : 0u) << x << "," << y;
      }
  }
}

TEST(DibSection, CreateAgainReplacesTheFirstSurface) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(2, 2));
  s.SetPixel(1, 1, 0xABCDEF);
  ASSERT_TRUE(s.Create(2, 2));
  EXPECT_EQ(s.GetPixel(1, 1), 0u); // a new surface, black again
  ASSERT_TRUE(s.Create(3, 1));
  EXPECT_EQ(s.Width(), 3);
  EXPECT_EQ(s.Height(), 1);
  EXPECT_EQ(s.BitsSize(), 12u);
  EXPECT_EQ(s.GetPixel(0, 1), kInvalidColour);
  EXPECT_EQ(s.GetPixel(2, 0), 0u);
}

TEST(DibSection, RefusedSizesLeaveAnEmptySurfaceThatKeepsTheRequest) {
  const struct {
    int width, height;
  } cases[] = {
      {0, 10},  {10, 0},      {0, 0},       {-1, 5},        {5, -1},
      {-5, -5}, {INT_MAX, 1}, {1, INT_MAX}, {30000, 30000}, // storage past what a BMP file can hold
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    cDIBSection s;
    ASSERT_TRUE(s.Create(4, 4)); // a failed Create also releases what was there
    EXPECT_FALSE(s.Create(c.width, c.height));
    EXPECT_FALSE(s.IsCreated());
    EXPECT_EQ(s.BitsSize(), 0u);
    EXPECT_EQ(s.Width(), c.width);
    EXPECT_EQ(s.Height(), c.height);
    EXPECT_EQ(s.Header().biSizeImage, 0u);
    EXPECT_EQ(s.GetPixel(0, 0), kInvalidColour);
    s.SetPixel(0, 0, 0xFFFFFF); // must do nothing, and not crash
    s.FillRow(0, 10, 0, 0xFFFFFF);
    EXPECT_EQ(s.GetPixel(0, 0), kInvalidColour);
  }
}

TEST(DibSection, ZeroWidthHasNoRowBytes) {
  cDIBSection s;
  EXPECT_FALSE(s.Create(0, 10));
  EXPECT_EQ(s.Width(), 0);
  EXPECT_EQ(s.Height(), 10);
  EXPECT_EQ(s.BytesPerScanLine(), 0);
  EXPECT_EQ(s.Header().biSizeImage, 0u);
  EXPECT_EQ(s.Header().biSize, 40u);
}

TEST(DibSection, ClearUpReleasesTheStorageButKeepsTheSize) {
  cDIBSection s;
  ASSERT_TRUE(s.Create(3, 2));
  s.ClearUp();
  EXPECT_FALSE(s.IsCreated());
  EXPECT_EQ(s.Width(), 3);
  EXPECT_EQ(s.Height(), 2);
  EXPECT_EQ(s.BytesPerScanLine(), 12);
  EXPECT_EQ(s.Header().biSizeImage, 0u); // no pixel bytes are promised any more
  EXPECT_EQ(s.GetPixel(0, 0), kInvalidColour);
}

} // namespace
} // namespace tessary
