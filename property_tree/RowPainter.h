#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QString>

class QColor;
class QPaintDevice;
class QPalette;
class QPainter;

namespace kestrine::ui {

class CPropertyItem;

// One walk over the rows. Every walk lays the rows out; drawing is optional: without a painter nothing is
// drawn, and with one only the rows that reach into the client rectangle are. Labels are measured for the
// painter's device when there is one, and for `device` otherwise.
struct RowWalk {
  RowWalk(QPainter* painter, const QPaintDevice* device, const QRect& client);

  QPainter* painter;
  QRect client;  // the list window's client rectangle
  QFontMetrics normalMetrics;
  QFontMetrics boldMetrics;
  int fontGeneration;
  int dpi;  // of the device the labels are measured for
};

// How rows look: the label column, expander, grid lines, highlight and value text. Walking a row records
// where it goes (origin, value, label and expander rectangles), appends it to the control's visible chain
// and lets its editor follow it, whether or not it is drawn, so every walk leaves the geometry that hit
// tests and editors rely on. Painting and laying out are the same walk, so they cannot disagree.
class RowPainter final {
 public:
  RowPainter() = delete;

  // Walks the row at indent x and content position y together with its expanded descendants; returns the
  // height they take.
  static int PaintRow(RowWalk& walk, CPropertyItem& item, int x, int y);

  // One-pixel lines in the palette's shadow colour.
  static void DrawHLine(QPainter& painter, const QPalette& palette, int x, int y, int length);
  static void DrawVLine(QPainter& painter, const QPalette& palette, int x, int y, int length);

  // A 9 x 9 box drawn with the painter's pen and brush: a plus when collapsed, a minus when expanded.
  static void DrawExpander(QPainter& painter, int left, int top, bool expanded);

  // The text unchanged if it fits with the margin, otherwise its longest prefix that fits followed by
  // "..."; never shorter than the first character and "...".
  [[nodiscard]] static QString FitText(const QFontMetrics& metrics, const QString& text, int available,
                                       int margin);

  // Value text in the normal font: one vertically centred line, or top-aligned lines when multi-line.
  // Values are data (names, versions), so they are drawn as they are: an "&" is an "&", not a mnemonic.
  static void DrawValueText(QPainter& painter, const QRect& rect, const QString& text, const QColor& color,
                            bool multiline);

  // The platform's sunken outer edge: shadow on the top and left, highlight on the bottom and right.
  static void DrawSunkenOuterEdge(QPainter& painter, const QRect& rect, const QPalette& palette);

  // A rectangle given by its left, top and exclusive right and bottom edges.
  [[nodiscard]] static QRect Ltrb(int left, int top, int right, int bottom);
};

}  // namespace kestrine::ui
