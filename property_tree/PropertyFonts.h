#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace kestrine::ui {

// The normal and bold fonts that every property tree control of the process shares. They follow the
// platform's menu font; the first control creates them, the last one releases them, and a theme or font
// change re-creates them.
class CPropertyFonts final {
 public:
  CPropertyFonts() = delete;

  static void Acquire();
  static void Release();
  static void Recreate();

  [[nodiscard]] static const QFont& Normal();
  [[nodiscard]] static const QFont& Bold();
  [[nodiscard]] static int InstanceCount();
  // Changes whenever the fonts are created anew, so text measured in older fonts can be told apart.
  [[nodiscard]] static int Generation();

  // Where the menu font is of a Western character set, the face becomes "Tahoma" when the system has
  // it and "MS Sans Serif" otherwise; other character sets keep the menu font's face.
  [[nodiscard]] static QString ChooseFace(const QString& menuFace, bool westernCharset,
                                          const QStringList& installedFamilies);
};

}  // namespace kestrine::ui
