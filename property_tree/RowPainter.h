#pragma once

#include <QRect>
#include <QString>

class QColor;
class QFontMetrics;
class QPainter;

namespace kestrine::ui {

class CPropertyItem;

// How rows look: the label column, expander, grid lines, highlight and value text. Painting a row also
// records where it went (origin, value, label and expander rectangles) and appends it to the control's
// visible chain, so every paint leaves the geometry that hit tests and editors rely on.
class RowPainter final {
 public:
  RowPainter() = delete;

  // Paints the row at indent x and content position y together with its expanded descendants; returns
  // the height painted. `client` is the list window's client rectangle.
  static int PaintRow(QPainter& painter, CPropertyItem& item, const QRect& client, int x, int y);

  // One-pixel lines in the shadow colour.
  static void DrawHLine(QPainter& painter, int x, int y, int length);
  static void DrawVLine(QPainter& painter, int x, int y, int length);

  // A 9 x 9 box drawn with the painter's pen and brush: a plus when collapsed, a minus when expanded.
  static void DrawExpander(QPainter& painter, int left, int top, bool expanded);

  // The text unchanged if it fits with the margin, otherwise its longest prefix that fits followed by
  // "..."; never shorter than the first character and "...".
  [[nodiscard]] static QString FitText(const QFontMetrics& metrics, const QString& text, int available,
                                       int margin);

  // Value text in the normal font: one vertically centred line, or top-aligned lines when multi-line.
  // "&" works as in the platform's text drawing ("&&" shows one "&").
  static void DrawValueText(QPainter& painter, const QRect& rect, const QString& text, const QColor& color,
                            bool multiline);

  // The platform's sunken outer edge: shadow on the top and left, highlight on the bottom and right.
  static void DrawSunkenOuterEdge(QPainter& painter, const QRect& rect);

  // A rectangle given by its left, top and exclusive right and bottom edges.
  [[nodiscard]] static QRect Ltrb(int left, int top, int right, int bottom);
};

}  // namespace kestrine::ui
