#include "property_tree/StaticPropertyItem.h"

#include "property_tree/RowPainter.h"

namespace kestrine::ui {

CStaticPropertyItem::CStaticPropertyItem() : CPropertyItem(0) {}

void CStaticPropertyItem::PaintValue(QPainter& painter, const QRect& valueRect) {
  if (!GetOwner()) return;
  // Too long a text is cut by the value column's clip, not shortened.
  RowPainter::DrawValueText(painter, valueRect, valueText_, ValueColorForState(GetValueTextColor()), false);
}

}  // namespace kestrine::ui
