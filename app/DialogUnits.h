#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace kestrine::app {

// Dialog templates are laid out in dialog units: a quarter of the font's average character width across
// and an eighth of its height down, so a dialog grows with its font.
class DialogUnits final {
 public:
  explicit DialogUnits(const QFont& font);

  [[nodiscard]] int X(int units) const;
  [[nodiscard]] int Y(int units) const;
  [[nodiscard]] QRect Rect(int x, int y, int width, int height) const;
  [[nodiscard]] QSize Size(int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};

}  // namespace kestrine::app
