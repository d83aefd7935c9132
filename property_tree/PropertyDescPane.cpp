#include "property_tree/PropertyDescPane.h"

#include <QPainter>

#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyItem.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/RowPainter.h"
#include "property_tree/SystemColors.h"

namespace kestrine::ui {

namespace {
constexpr int kTextInset = 4;
}

CPropertyDescPane::CPropertyDescPane(CPropertyTreeCtrl* control, QWidget* parent)
    : QWidget(parent), control_(control) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QString CPropertyDescPane::DescriptionText() const {
  if (!control_) return {};
  if (const CPropertyItem* current = control_->GetCurrentItem()) return current->GetDescription();
  if (control_->GetOptions() & PROPS_DESCRIPTION_PROMPT) {
    return QStringLiteral("Select an item to see its description.");
  }
  return {};
}

void CPropertyDescPane::paintEvent(QPaintEvent* /*event*/) {
  if (!control_) return;
  QPainter painter(this);
  const QRect client = rect();
  const QPalette& colors = palette();
  painter.fillRect(client, GetSysColor(colors, SysColor::GrayText));
  RowPainter::DrawSunkenOuterEdge(painter, client, colors);
  const QRect textRect = client.adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset);
  painter.setPen(GetSysColor(colors, control_->isEnabled() ? SysColor::BtnHighlight : SysColor::GrayText));
  painter.setFont(CPropertyFonts::Normal());
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic,
                   DescriptionText());
}

}  // namespace kestrine::ui
