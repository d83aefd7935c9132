#include "property_tree/SystemColors.h"

#include <array>

#include <QGuiApplication>
#include <QPalette>

namespace kestrine::ui {

namespace {

struct PaletteSource {
  SysColor color;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The same correspondence Qt's own Windows theme uses in the other direction.
constexpr std::array<PaletteSource, 9> kPaletteSources{{
    {SysColor::Window, QPalette::Active, QPalette::Base},
    {SysColor::WindowText, QPalette::Active, QPalette::Text},
    {SysColor::BtnFace, QPalette::Active, QPalette::Button},
    {SysColor::BtnShadow, QPalette::Active, QPalette::Dark},
    {SysColor::BtnText, QPalette::Active, QPalette::ButtonText},
    {SysColor::BtnHighlight, QPalette::Active, QPalette::Light},
    {SysColor::Highlight, QPalette::Active, QPalette::Highlight},
    {SysColor::GrayText, QPalette::Disabled, QPalette::Text},
    {SysColor::DefaultPen, QPalette::Active, QPalette::WindowText},
}};

}  // namespace

QColor GetSysColor(SysColor color) { return GetSysColor(QGuiApplication::palette(), color); }

QColor GetSysColor(const QPalette& palette, SysColor color) {
  for (const PaletteSource& source : kPaletteSources) {
    if (source.color == color) return palette.color(source.group, source.role);
  }
  return palette.color(QPalette::Active, QPalette::Base);
}

QColor ColorFromColorRef(std::uint32_t colorRef) {
  return QColor(static_cast<int>(colorRef & 0xFFu), static_cast<int>((colorRef >> 8) & 0xFFu),
                static_cast<int>((colorRef >> 16) & 0xFFu));
}

}  // namespace kestrine::ui
