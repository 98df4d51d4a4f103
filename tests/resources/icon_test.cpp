// The program icon file: its format, and a picture that stays readable at small sizes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

// The standard 16-colour palette, index order, as 0xRRGGBB.
constexpr uint32_t kStandardPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};
constexpr int kBlack = 0, kDarkGrey = 8;

uint32_t Read16(const std::vector<uint8_t>& d, size_t at) { return d.at(at) | d.at(at + 1) << 8; }
uint32_t Read32(const std::vector<uint8_t>& d, size_t at) {
  return Read16(d, at) | Read16(d, at + 2) << 16;
}

// The decoded 32 x 32 picture, rows from the top.
struct Icon {
  std::array<std::array<int, kSize>, kSize> index{};
  std::array<std::array<bool, kSize>, kSize> transparent{};
  std::array<uint32_t, 16> palette{};
};

class IconFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(std::string(ZIRIRAR_SOURCE_DIR) + "/resources/main_icon.ico",
                     std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes_.size(), 22u + 40u) << "missing or truncated icon file";
  }

  // Decodes the one image; only valid once the header tests pass.
  Icon Decode() const {
    Icon icon;
    const size_t image = Read32(bytes_, 18);
    for (int i = 0; i < 16; ++i) {
      const size_t at = image + 40 + 4 * i;  // blue, green, red, reserved
      icon.palette[i] = bytes_.at(at + 2) << 16 | bytes_.at(at + 1) << 8 | bytes_.at(at);
    }
    const size_t colours = image + 40 + 64;
    const size_t mask = colours + kSize * kSize / 2;
    for (int y = 0; y < kSize; ++y) {
      const int row = kSize - 1 - y;  // stored bottom-up
      for (int x = 0; x < kSize; ++x) {
        const uint8_t pair = bytes_.at(colours + row * kSize / 2 + x / 2);
        icon.index[y][x] = x % 2 == 0 ? pair >> 4 : pair & 0x0F;
        icon.transparent[y][x] = (bytes_.at(mask + row * 4 + x / 8) >> (7 - x % 8)) & 1;
      }
    }
    return icon;
  }

  std::vector<uint8_t> bytes_;
};

double DistanceFromCentre(int x, int y) {
  return std::hypot(x + 0.5 - kSize / 2.0, y + 0.5 - kSize / 2.0);
}

}  // namespace

TEST_F(IconFile, HoldsOne32By32SixteenColourImageWithAMask) {
  EXPECT_EQ(Read16(bytes_, 0), 0u);
  EXPECT_EQ(Read16(bytes_, 2), 1u);  // icon, not cursor
  ASSERT_EQ(Read16(bytes_, 4), 1u);  // one image
  EXPECT_EQ(bytes_[6], kSize);
  EXPECT_EQ(bytes_[7], kSize);
  EXPECT_EQ(bytes_[8], 16);
  EXPECT_EQ(Read16(bytes_, 12), 4u);  // bits per pixel
  const uint32_t length = Read32(bytes_, 14);
  const uint32_t offset = Read32(bytes_, 18);
  ASSERT_EQ(offset, 22u);
  ASSERT_EQ(offset + length, bytes_.size());

  EXPECT_EQ(Read32(bytes_, offset), 40u);              // BITMAPINFOHEADER
  EXPECT_EQ(Read32(bytes_, offset + 4), 32u);          // width
  EXPECT_EQ(Read32(bytes_, offset + 8), 64u);          // colour rows and mask rows
  EXPECT_EQ(Read16(bytes_, offset + 12), 1u);          // planes
  EXPECT_EQ(Read16(bytes_, offset + 14), 4u);          // bits per pixel
  EXPECT_EQ(Read32(bytes_, offset + 16), 0u);          // uncompressed
  EXPECT_EQ(length, 40u + 16 * 4 + 32 * 16 + 32 * 4);  // header, palette, colours, mask
}

TEST_F(IconFile, UsesTheStandardPaletteAndTrueTransparency) {
  const Icon icon = Decode();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(icon.palette[i], kStandardPalette[i]) << "entry " << i;
  // Where the mask lets the background through, the colour bits must be black:
  // anything else would be XORed onto the screen instead of leaving it untouched.
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (icon.transparent[y][x]) {
        EXPECT_EQ(icon.index[y][x], kBlack) << x << "," << y;
      }
    }
  }
}

TEST_F(IconFile, ShowsARoundDiscWithADarkRim) {
  const Icon icon = Decode();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double r = DistanceFromCentre(x, y);
      if (r < 14.0) {
        EXPECT_FALSE(icon.transparent[y][x]) << x << "," << y;
      }
      if (r > 16.0) {
        EXPECT_TRUE(icon.transparent[y][x]) << x << "," << y;
      }
      // The same from every side: the mask is mirror-symmetric on both axes.
      EXPECT_EQ(icon.transparent[y][x], icon.transparent[y][kSize - 1 - x]) << x << "," << y;
      EXPECT_EQ(icon.transparent[y][x], icon.transparent[kSize - 1 - y][x]) << x << "," << y;
      // Every visible pixel on the disc's edge belongs to the dark rim.
      if (icon.transparent[y][x]) continue;
      const bool edge = x == 0 || y == 0 || x == kSize - 1 || y == kSize - 1 ||
                        icon.transparent[y][x - 1] || icon.transparent[y][x + 1] ||
                        icon.transparent[y - 1][x] || icon.transparent[y + 1][x];
      if (edge) {
        EXPECT_TRUE(icon.index[y][x] == kBlack || icon.index[y][x] == kDarkGrey) << x << "," << y;
      }
    }
  }
}

TEST_F(IconFile, ColoursItsFourQuartersApartAroundAHub) {
  const Icon icon = Decode();
  // The colour at the middle of each quarter (half way out, on the diagonal).
  std::set<int> quarters;
  for (int qy = 0; qy < 2; ++qy) {
    for (int qx = 0; qx < 2; ++qx) {
      const int x = qx == 0 ? 9 : kSize - 1 - 9;
      const int y = qy == 0 ? 9 : kSize - 1 - 9;
      const int colour = icon.index[y][x];
      EXPECT_NE(colour, kBlack);
      EXPECT_NE(colour, kDarkGrey);
      quarters.insert(colour);
      // A quarter is one colour: its neighbourhood agrees with its middle.
      for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) EXPECT_EQ(icon.index[y + dy][x + dx], colour);
      }
    }
  }
  EXPECT_EQ(quarters.size(), 4u) << "each quarter needs a colour of its own";
  // The hub at the centre is lit in a colour of its own, apart from the quarters
  // and from the dark gaps between them.
  for (int y = 15; y <= 16; ++y) {
    for (int x = 15; x <= 16; ++x) {
      EXPECT_FALSE(icon.transparent[y][x]);
      EXPECT_EQ(quarters.count(icon.index[y][x]), 0u) << x << "," << y;
      EXPECT_NE(icon.index[y][x], kBlack) << x << "," << y;
      EXPECT_NE(icon.index[y][x], kDarkGrey) << x << "," << y;
    }
  }
}
