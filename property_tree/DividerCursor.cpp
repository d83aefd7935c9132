#include "property_tree/DividerCursor.h"

#include <array>

#include <QBitmap>
#include <QImage>

namespace kestrine::ui {

namespace {

constexpr int kSize = 32;
constexpr int kHotX = 12;
constexpr int kHotY = 14;

// Black pixels: the two bars and the two arrow heads.
constexpr std::array<int, 2> kBarColumns{11, 13};
constexpr int kBarTop = 7;
constexpr int kBarBottom = 20;
constexpr int kLeftTip = 6;
constexpr int kRightTip = 18;
constexpr int kArrowRow = 14;

constexpr int kHeadLength = 3;  // columns of each arrow head, the tip included

bool IsBlack(int x, int y) {
  for (const int column : kBarColumns) {
    if (x == column && y >= kBarTop && y <= kBarBottom) return true;
  }
  const int spread = y < kArrowRow ? kArrowRow - y : y - kArrowRow;
  // Left arrow: a head widening from the tip, then a shaft to the first bar.
  if (x >= kLeftTip && x < kLeftTip + kHeadLength) return spread <= x - kLeftTip;
  if (x >= kLeftTip + kHeadLength && x < kBarColumns[0]) return spread == 0;
  // Right arrow, mirrored from the second bar.
  if (x <= kRightTip && x > kRightTip - kHeadLength) return spread <= kRightTip - x;
  if (x > kBarColumns[1] && x <= kRightTip - kHeadLength) return spread == 0;
  return false;
}

bool TouchesBlack(int x, int y) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (IsBlack(x + dx, y + dy)) return true;
    }
  }
  return false;
}

}  // namespace

QCursor MakeDividerCursor() {
  // Bitmap 1 with mask 1 is black, bitmap 0 with mask 1 white, mask 0 transparent.
  QImage bits(kSize, kSize, QImage::Format_Mono);
  QImage mask(kSize, kSize, QImage::Format_Mono);
  // Index 1 is black, the bitmap's set bit.
  const QList<QRgb> table{qRgb(255, 255, 255), qRgb(0, 0, 0)};
  bits.setColorTable(table);
  mask.setColorTable(table);
  bits.fill(0);
  mask.fill(0);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (IsBlack(x, y)) {
        bits.setPixel(x, y, 1);
        mask.setPixel(x, y, 1);
      } else if (TouchesBlack(x, y)) {
        mask.setPixel(x, y, 1);
      }
    }
  }
  return QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), kHotX, kHotY);
}

}  // namespace kestrine::ui
