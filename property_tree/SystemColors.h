#pragma once

#include <cstdint>

#include <QColor>

class QPalette;

namespace kestrine::ui {

// The system colours the control is drawn with. Each one stands for a QPalette role; SystemColors.cpp is
// the only place that knows which. The control reads them from its own palette, so whatever sets that
// palette (a parent, a style sheet, a dark theme) sets its colours.
enum class SysColor {
  Window,        // row and editor backgrounds
  WindowText,    // address values
  BtnFace,       // frame, shaded gutter, disabled background, default category bar
  BtnShadow,     // grid lines, divider, the dark side of sunken edges
  BtnText,       // labels and values
  BtnHighlight,  // text on the highlight, the light side of sunken edges, description text
  Highlight,     // the current row's label bar
  GrayText,      // disabled and read-only text, description pane background
  DefaultPen,    // outline of the expander boxes
};

[[nodiscard]] QColor GetSysColor(const QPalette& palette, SysColor color);
// The same from the application's palette, for callers that have no widget at hand.
[[nodiscard]] QColor GetSysColor(SysColor color);

// A Windows-style 0x00BBGGRR colour value, as configuration tables write them.
[[nodiscard]] QColor ColorFromColorRef(std::uint32_t colorRef);

}  // namespace kestrine::ui
