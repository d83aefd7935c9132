#include "property_tree/PropertyFonts.h"

#include <optional>

#include <QApplication>
#include <QFontDatabase>
#include <QLocale>

namespace kestrine::ui {

namespace {

struct SharedFonts {
  int instances = 0;
  int generation = 0;
  std::optional<QFont> normal;
  std::optional<QFont> bold;
};

SharedFonts& Shared() {
  static SharedFonts fonts;
  return fonts;
}

// The platform has no character-set field on fonts; the user-interface locale decides which
// character set its menu font would have had.
bool HasWesternCharset() {
  const QLocale::Script script = QLocale::system().script();
  return script == QLocale::LatinScript || script == QLocale::AnyScript;
}

void CreateFonts() {
  SharedFonts& fonts = Shared();
  QFont menu = QApplication::font("QMenu");
  menu.setFamilies({CPropertyFonts::ChooseFace(menu.family(), HasWesternCharset(), QFontDatabase::families())});
  fonts.normal = menu;
  QFont bold = menu;
  bold.setWeight(QFont::Bold);
  fonts.bold = bold;
  ++fonts.generation;
}

void EnsureFonts() {
  if (!Shared().normal) CreateFonts();
}

}  // namespace

QString CPropertyFonts::ChooseFace(const QString& menuFace, bool westernCharset,
                                   const QStringList& installedFamilies) {
  if (!westernCharset) return menuFace;
  return installedFamilies.contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive) ? QStringLiteral("Tahoma")
                                                                                    : QStringLiteral("MS Sans Serif");
}

void CPropertyFonts::Acquire() {
  if (Shared().instances == 0) CreateFonts();
  ++Shared().instances;
}

void CPropertyFonts::Release() {
  SharedFonts& fonts = Shared();
  if (fonts.instances > 0 && --fonts.instances == 0) {
    fonts.normal.reset();
    fonts.bold.reset();
  }
}

void CPropertyFonts::Recreate() { CreateFonts(); }

const QFont& CPropertyFonts::Normal() {
  EnsureFonts();
  return *Shared().normal;
}

const QFont& CPropertyFonts::Bold() {
  EnsureFonts();
  return *Shared().bold;
}

int CPropertyFonts::InstanceCount() { return Shared().instances; }

int CPropertyFonts::Generation() { return Shared().generation; }

}  // namespace kestrine::ui
