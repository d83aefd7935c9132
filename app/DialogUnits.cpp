#include "app/DialogUnits.h"

#include <QFontMetrics>

namespace kestrine::app {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseX_ = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
  baseY_ = metrics.height();
}

int DialogUnits::X(int units) const { return (units * baseX_ + 2) / 4; }
int DialogUnits::Y(int units) const { return (units * baseY_ + 4) / 8; }

QRect DialogUnits::Rect(int x, int y, int width, int height) const { return {X(x), Y(y), X(width), Y(height)}; }
QSize DialogUnits::Size(int width, int height) const { return {X(width), Y(height)}; }

}  // namespace kestrine::app
