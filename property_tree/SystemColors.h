#pragma once

#include <cstdint>

#include <QColor>

namespace kestrine::ui {

// The system colours the control is drawn with. Each one stands for a QPalette role of the application
// palette; SystemColors.cpp is the only place that knows which.
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

[[nodiscard]] QColor GetSysColor(SysColor color);

// A Windows-style 0x00BBGGRR colour value, as configuration tables write them.
[[nodiscard]] QColor ColorFromColorRef(std::uint32_t colorRef);

}  // namespace kestrine::ui
