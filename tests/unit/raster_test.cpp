#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "view/raster.h"

namespace tibrel {
namespace {

uint32_t Be32(const std::string& s, size_t at) {
  return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) | (uint32_t(uint8_t(s[at + 2])) << 8) |
         uint32_t(uint8_t(s[at + 3]));
}

// Reads back the pixels of a PNG made of stored deflate blocks, checking
// every chunk's CRC and the stream's Adler-32 on the way.
std::vector<uint8_t> ReadStoredPng(const std::string& png, uint32_t& w, uint32_t& h) {
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::string idat;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t len = Be32(png, at);
    const std::string type = png.substr(at + 4, 4), body = png.substr(at + 8, len);
    uint32_t c = 0xFFFFFFFF;
    for (size_t i = at + 4; i < at + 8 + len; ++i) {
      c ^= uint8_t(png[i]);
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
    }
    EXPECT_EQ(c ^ 0xFFFFFFFF, Be32(png, at + 8 + len)) << type;
    if (type == "IHDR") w = Be32(body, 0), h = Be32(body, 4);
    if (type == "IDAT") idat += body;
    at += 12 + len;
  }
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool last = false; !last;) {
    last = idat[at] & 1;
    const size_t n = uint8_t(idat[at + 1]) | (uint8_t(idat[at + 2]) << 8);
    raw.insert(raw.end(), idat.begin() + at + 5, idat.begin() + at + 5 + n);
    at += 5 + n;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
  EXPECT_EQ(Be32(idat, at), (b << 16) | a);
  return raw;
}

TEST(Raster, LinesPatternsAndAPngThatReadsBack) {
  Display d;
  d.Background = 0xFFFFFF;
  d.Strokes.push_back({0x0000FF, PatternSolid, {{2, 5}, {30, 5}}});
  d.Strokes.push_back({0x00FF00, PatternDotted, {{2, 9}, {30, 9}}});
  d.Strokes.push_back({0xFF0000, PatternSolid, {{-1000, 20}, {1000, 20}}});  // clipped, not walked
  const RasterImage img = Rasterise(d, 40, 30);
  EXPECT_EQ(img.At(10, 5), 0x0000FF);
  EXPECT_EQ(img.At(10, 6), 0xFFFFFF);
  int on = 0;
  for (int x = 2; x <= 30; ++x) on += img.At(x, 9) == 0x00FF00;
  EXPECT_TRUE(on > 10 && on < 29) << on << " dotted: most pixels, not all";
  EXPECT_EQ(img.At(0, 20), 0xFF0000);
  EXPECT_EQ(img.At(39, 20), 0xFF0000);

  uint32_t w = 0, h = 0;
  const auto raw = ReadStoredPng(EncodePng(img), w, h);
  ASSERT_EQ(w, 40u);
  ASSERT_EQ(h, 30u);
  ASSERT_EQ(raw.size(), size_t(30 * (40 * 3 + 1)));
  const size_t px = 5 * (40 * 3 + 1) + 1 + 10 * 3;  // 0x0000FF is red
  EXPECT_EQ(std::vector<uint8_t>(raw.begin() + px, raw.begin() + px + 3), (std::vector<uint8_t>{0xFF, 0, 0}));
  // A picture larger than one stored block.
  const auto big = ReadStoredPng(EncodePng(Rasterise(d, 300, 200)), w, h);
  EXPECT_EQ(big.size(), size_t(200 * (300 * 3 + 1)));
}

}  // namespace
}  // namespace tibrel
