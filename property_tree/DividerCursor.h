#pragma once

#include <QCursor>

namespace kestrine::ui {

// The pointer shown over the divider: two vertical bars with arrow heads pointing left and right,
// black outlined in white, 32 x 32 with its hot spot at (12, 14).
[[nodiscard]] QCursor MakeDividerCursor();

}  // namespace kestrine::ui
