#pragma once

#include <cstdint>

class QWidget;

namespace kestrine::ui {

class CPropertyItem;

// Option bits given to CPropertyTreeCtrl::Create.
inline constexpr std::uint32_t PROPS_SHOW_DESCRIPTION = 0x01;
inline constexpr std::uint32_t PROPS_NOTIFY = 0x02;
inline constexpr std::uint32_t PROPS_DESCRIPTION_PROMPT = 0x04;
inline constexpr std::uint32_t PROPS_SHADED_GUTTER = 0x08;
inline constexpr std::uint32_t PROPS_CATEGORY_COLORS = 0x10;

// Reports a control sends to its notification target. A nonzero answer to the three "before" codes vetoes
// the action; the others are informational.
inline constexpr int PROPN_CLICK = -2;   // answered 0, never delivered
inline constexpr int PROPN_DBLCLK = -3;  // answered 0, never delivered
inline constexpr int PROPN_ITEM_INSERTED = -1101;
inline constexpr int PROPN_ITEM_DELETING = -1102;
inline constexpr int PROPN_VALUE_COMMITTED = -1105;
inline constexpr int PROPN_CURRENT_CHANGED = -1107;
inline constexpr int PROPN_EXPAND_TOGGLING = -1108;
inline constexpr int PROPN_DIVIDER_PRESSED = -1109;
inline constexpr int PROPN_VALUE_CLICKED = -1110;

// CPropertyTreeCtrl::HitTest answers.
inline constexpr int PROP_HIT_LABEL = 2024;
inline constexpr int PROP_HIT_DIVIDER = 2025;
inline constexpr int PROP_HIT_EXPANDER = 2026;
inline constexpr int PROP_HIT_VALUE = 2027;
inline constexpr int PROP_HIT_NONE = 2028;

// CEditPropertyItem::CreateEditor flags.
inline constexpr std::uint32_t PROP_EDIT_NUMBER = 0x200;
inline constexpr std::uint32_t PROP_EDIT_PASSWORD = 0x400;
inline constexpr std::uint32_t PROP_EDIT_MULTILINE = 0x40000;
// Extra style of the edit kind (the platform edit's "want return" bit): Enter breaks the line instead of
// committing.
inline constexpr std::uint32_t PROP_EDIT_WANTRETURN = 0x1000;

// What a notification target receives: the sender, its child identifier, the code and the item (may be null).
struct PropertyNotify {
  QWidget* from = nullptr;
  int idFrom = 0;
  int code = 0;
  CPropertyItem* item = nullptr;
};

// Geometry shared by the control, the list window and the row painter, in pixels.
namespace geometry {
inline constexpr int kDefaultRowHeight = 21;
inline constexpr int kMultilineRowHeight = 75;
inline constexpr int kGutterWidth = 16;
inline constexpr int kIndentStep = 16;
inline constexpr int kExpanderLeft = 4;
inline constexpr int kExpanderTop = 5;
inline constexpr int kExpanderExtent = 8;  // the stored rectangle; the drawn box is one pixel larger
inline constexpr int kLabelTextInset = 5;
inline constexpr int kLabelFitMargin = 1;
inline constexpr int kDividerSlop = 5;
inline constexpr int kValueInset = 5;
inline constexpr int kDefaultDividerPos = 150;
inline constexpr int kDividerEdgeLimit = 16;
inline constexpr int kDragMinimum = 41;
inline constexpr int kDragRightMargin = 25;
inline constexpr int kFitDividerGap = 5;
inline constexpr int kDescriptionPaneHeight = 50;
inline constexpr int kLineStep = 21;
inline constexpr int kTrackerWidth = 4;
inline constexpr int kDropDownHeight = 100;
}  // namespace geometry

}  // namespace kestrine::ui
