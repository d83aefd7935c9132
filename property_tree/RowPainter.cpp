#include "property_tree/RowPainter.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyItem.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/SystemColors.h"

namespace kestrine::ui {

namespace {

using namespace geometry;

constexpr int kSingleLineFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
// Labels are the program's own texts and keep the platform's "&" handling; values are drawn literally.
constexpr int kLabelFlags = kSingleLineFlags | Qt::TextShowMnemonic;

bool IsOnDevice(const QPainter& painter, const QRect& rect) { return rect.intersects(painter.viewport()); }

bool IsBlankLabel(const QString& label) {
  for (const QChar c : label) {
    if (c != QLatin1Char(' ')) return false;
  }
  return true;
}

struct RowFrame {
  int top;
  int bottom;
  int right;  // the client rectangle's right edge, exclusive
  int divider;
  bool category;
  bool enabled;
};

// The label as it fits its box: the possibly shortened text and the rectangle it is drawn into.
struct FittedLabel {
  bool shown = false;  // an empty label, or one of only spaces, shows nothing
  QString text;
  QRect textRect;
};

// A category's grid line lies one pixel above its row.
bool ReachesInto(const QRect& client, const RowFrame& row) {
  return row.top - 1 < client.top() + client.height() && row.bottom > client.top();
}

void LayOutExpander(CPropertyItem& item, int y) {
  item.SetExpanderRect(item.HasChildren() ? RowPainter::Ltrb(kExpanderLeft, y + kExpanderTop,
                                                             kExpanderLeft + kExpanderExtent,
                                                             y + kExpanderTop + kExpanderExtent)
                                          : QRect());
}

// The label box runs from the indent past the gutter to the divider (to the right edge for a category).
// The stored label rectangle is the extent of the text as it is shown.
FittedLabel LayOutLabel(const RowWalk& walk, CPropertyItem& item, const QRect& box, const RowFrame& row) {
  FittedLabel label;
  if (IsBlankLabel(item.GetLabel())) return label;
  label.shown = true;
  label.textRect = RowPainter::Ltrb(box.left() + kLabelTextInset, row.top, box.left() + box.width(), row.bottom);
  const int room = label.textRect.width();
  LabelFit& fit = item.GetLabelFit();
  if (fit.label != item.GetLabel() || fit.room != room || fit.bold != row.category ||
      fit.fontGeneration != walk.fontGeneration || fit.dpi != walk.dpi) {
    const QFontMetrics& metrics = row.category ? walk.boldMetrics : walk.normalMetrics;
    fit.label = item.GetLabel();
    fit.room = room;
    fit.bold = row.category;
    fit.fontGeneration = walk.fontGeneration;
    fit.dpi = walk.dpi;
    fit.text = RowPainter::FitText(metrics, fit.label, room, kLabelFitMargin);
    fit.extent = metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, fit.text);
  }
  label.text = fit.text;
  item.SetLabelRect(QRect(label.textRect.left(), row.top, fit.extent.width(), fit.extent.height()));
  return label;
}

void DrawBackground(QPainter& painter, const CPropertyItem& item, const QRect& client, const RowFrame& row) {
  if (row.category) {
    const CPropertyTreeCtrl& owner = *item.GetOwner();
    const bool ownColour = (owner.GetOptions() & PROPS_CATEGORY_COLORS) != 0 || !row.enabled;
    painter.fillRect(QRect(client.left() + kGutterWidth, row.top, client.width() + 1, item.GetRowHeight()),
                     ownColour ? item.GetCategoryColor() : GetSysColor(owner.palette(), SysColor::Window));
  } else {
    painter.fillRect(RowPainter::Ltrb(row.divider, row.top, row.right - 2, row.bottom - 1),
                     item.GetValueBackColor());
  }
}

void DrawLabel(QPainter& painter, const CPropertyItem& item, const QRect& box, const FittedLabel& label,
               const RowFrame& row) {
  if (!label.shown) return;
  painter.save();
  painter.setFont(row.category ? CPropertyFonts::Bold() : CPropertyFonts::Normal());
  const QPalette colors = item.GetPalette();
  QColor textColor = item.GetLabelTextColor();
  if (item.IsHighlighted()) {
    // An outline-less rectangle fills one pixel short of its right and bottom edges, so the bottom grid
    // line stays visible.
    const int boxRight = box.left() + box.width();
    painter.fillRect(RowPainter::Ltrb(kGutterWidth, row.top, boxRight + kLabelTextInset - 1, row.bottom - 1),
                     GetSysColor(colors, SysColor::Highlight));
    textColor = GetSysColor(colors, SysColor::BtnHighlight);
  }
  if (!row.enabled) textColor = GetSysColor(colors, SysColor::GrayText);
  if (IsOnDevice(painter, label.textRect)) {
    painter.setPen(textColor);
    painter.drawText(label.textRect, kLabelFlags, label.text);
  }
  painter.restore();
}

void DrawGrid(QPainter& painter, const QRect& client, const CPropertyItem& item, const RowFrame& row) {
  const QPalette colors = item.GetPalette();
  RowPainter::DrawHLine(painter, colors, kGutterWidth, row.bottom - 1, row.right);
  if (row.category) RowPainter::DrawHLine(painter, colors, kGutterWidth, row.top - 1, row.right);
  RowPainter::DrawVLine(painter, colors, kGutterWidth, client.top(), client.height());
  if (!row.category) RowPainter::DrawVLine(painter, colors, row.divider, row.top, item.GetRowHeight());
}

void DrawRow(QPainter& painter, CPropertyItem& item, const QRect& client, const QRect& labelBox,
             const FittedLabel& label, const RowFrame& row) {
  DrawBackground(painter, item, client, row);
  if (item.HasChildren()) RowPainter::DrawExpander(painter, kExpanderLeft, row.top + kExpanderTop, item.IsExpanded());
  if (!row.category) {
    painter.setClipRect(labelBox);
    painter.fillRect(labelBox, item.GetLabelBackColor());
  }
  DrawLabel(painter, item, labelBox, label, row);
  if (!row.category) painter.setClipping(false);
  DrawGrid(painter, client, item, row);
  if (!row.category) {
    const QRect valueRect = item.GetValueRect();
    painter.save();
    painter.setClipRect(valueRect);
    item.PaintValue(painter, valueRect);
    painter.restore();
  }
}

}  // namespace

RowWalk::RowWalk(QPainter* painter, const QPaintDevice* device, const QRect& client)
    : painter(painter),
      client(client),
      normalMetrics(CPropertyFonts::Normal(), painter ? painter->device() : device),
      boldMetrics(CPropertyFonts::Bold(), painter ? painter->device() : device),
      fontGeneration(CPropertyFonts::Generation()),
      dpi(painter ? painter->device()->logicalDpiY() : device->logicalDpiY()) {}

int RowPainter::PaintRow(RowWalk& walk, CPropertyItem& item, int x, int y) {
  CPropertyTreeCtrl* owner = item.GetOwner();
  if (!owner) return 0;
  owner->AppendVisible(&item);
  item.SetOrigin(QPoint(x, y));

  const QRect& client = walk.client;
  const int height = item.GetRowHeight();
  RowFrame row{};
  row.top = y - owner->GetScrollOrigin();
  row.bottom = row.top + height;
  row.right = client.left() + client.width();
  row.divider = owner->GetDividerPos();
  row.category = item.IsCategory();
  row.enabled = owner->isEnabled();

  item.SetValueRect(Ltrb(row.divider + kValueInset, row.top, row.right, row.top + height - 1));
  const QRect labelBox = row.category ? Ltrb(x + kGutterWidth, row.top, row.right, row.bottom)
                                      : Ltrb(x + kGutterWidth, row.top, row.divider, row.bottom);
  LayOutExpander(item, y);
  const FittedLabel label = LayOutLabel(walk, item, labelBox, row);
  if (!row.category) item.OnRowLaidOut();
  // Rows out of view are laid out like the others, but drawing them would change no pixel.
  if (walk.painter && ReachesInto(client, row)) DrawRow(*walk.painter, item, client, labelBox, label, row);

  int laidOut = height;
  if (item.HasChildren() && item.IsExpanded()) {
    const int childIndent = x + (row.category ? 0 : kIndentStep);
    for (CPropertyItem* child = item.GetFirstChild(); child; child = child->GetNextSibling()) {
      laidOut += PaintRow(walk, *child, childIndent, y + laidOut);
    }
  }
  return laidOut;
}

void RowPainter::DrawHLine(QPainter& painter, const QPalette& palette, int x, int y, int length) {
  painter.fillRect(QRect(x, y, length, 1), GetSysColor(palette, SysColor::BtnShadow));
}

void RowPainter::DrawVLine(QPainter& painter, const QPalette& palette, int x, int y, int length) {
  painter.fillRect(QRect(x, y, 1, length), GetSysColor(palette, SysColor::BtnShadow));
}

void RowPainter::DrawExpander(QPainter& painter, int left, int top, bool expanded) {
  // An aliased one-pixel outline of an 8 x 8 rectangle covers 9 x 9 pixels.
  painter.drawRect(QRect(left, top, kExpanderExtent, kExpanderExtent));
  if (!expanded) painter.drawLine(left + 4, top + 2, left + 4, top + 6);
  painter.drawLine(left + 2, top + 4, left + 6, top + 4);
}

QString RowPainter::FitText(const QFontMetrics& metrics, const QString& text, int available, int margin) {
  if (text.isEmpty()) return text;
  if (metrics.horizontalAdvance(text) + margin <= available) return text;
  const QString dots = QStringLiteral("...");
  const int dotsWidth = metrics.horizontalAdvance(dots);
  const auto fits = [&](qsizetype k) { return metrics.horizontalAdvance(text.left(k)) + dotsWidth + margin <= available; };
  // Prefix widths grow with the prefix, so the longest fitting prefix is found by bisection; with none
  // fitting the first character stays.
  qsizetype best = 1;
  qsizetype low = 2;
  qsizetype high = text.size() - 1;
  if (text.size() > 1 && fits(1)) {
    while (low <= high) {
      const qsizetype mid = low + (high - low) / 2;
      if (fits(mid)) {
        best = mid;
        low = mid + 1;
      } else {
        high = mid - 1;
      }
    }
  }
  if (best > 1 && text.at(best - 1).isHighSurrogate()) --best;
  if (best == 1 && text.size() > 1 && text.at(0).isHighSurrogate()) best = 2;
  return text.left(best) + dots;
}

void RowPainter::DrawValueText(QPainter& painter, const QRect& rect, const QString& text, const QColor& color,
                               bool multiline) {
  if (text.isEmpty() || !IsOnDevice(painter, rect)) return;
  painter.save();
  painter.setFont(CPropertyFonts::Normal());
  painter.setPen(color);
  const int flags = multiline ? (Qt::AlignLeft | Qt::AlignTop) : kSingleLineFlags;
  painter.drawText(rect, flags, text);
  painter.restore();
}

void RowPainter::DrawSunkenOuterEdge(QPainter& painter, const QRect& rect, const QPalette& palette) {
  // Qt's own one-pixel sunken panel: dark on the top and left, light on the bottom and right. The edge
  // keeps its colours when the control is disabled, as the system's edge does.
  QPalette active = palette;
  active.setCurrentColorGroup(QPalette::Active);
  qDrawShadePanel(&painter, rect, active, true, 1);
}

QRect RowPainter::Ltrb(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace kestrine::ui
