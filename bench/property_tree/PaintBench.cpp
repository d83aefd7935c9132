// Full paints of a property tree control: one holding the configuration page's rows (four categories,
// 39 items of every kind) and one holding 1000 rows. Every paint walks all rows that are not collapsed,
// on screen or not, because it also rebuilds the visible chain.
#include <memory>

#include <QApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/StaticPropertyItem.h"
#include "property_tree/SystemColors.h"

namespace {

using namespace kestrine::ui;

enum class Kind { Static, Edit, Number, Combo, Address };

struct Row {
  const char* label;
  Kind kind;
};

struct Category {
  const char* label;
  std::vector<Row> rows;
};

const std::vector<Category>& PageRows() {
  static const std::vector<Category> categories{
      {"System",
       {{"version", Kind::Static},       {"Device Number", Kind::Number}, {"IP Address", Kind::Address},
        {"IP Mask", Kind::Address},      {"IP Gate", Kind::Address},      {"Keyboard lock", Kind::Combo},
        {"Password", Kind::Edit},        {"New Password", Kind::Edit},    {"Multicast Ip", Kind::Address},
        {"Multicast Port", Kind::Number}, {"Multicast Mode", Kind::Combo}, {"Default Set", Kind::Combo},
        {"Restart", Kind::Combo}}},
      {"MUX",
       {{"Program Number", Kind::Number}, {"Program Bitrate(kbps)", Kind::Number}, {"Pmt Pid", Kind::Number},
        {"Pcr Pid", Kind::Number}, {"Service Name", Kind::Edit}, {"Provider Name", Kind::Edit}}},
      {"Video",
       {{"Video Input", Kind::Combo}, {"Video Pid", Kind::Number}, {"Bitrate Type", Kind::Combo},
        {"Bitrate(kbps)", Kind::Number}, {"TS Bitrate(kbps)", Kind::Number}, {"CVBS Brightness", Kind::Number},
        {"CVBS Saturation", Kind::Number}, {"CVBS Contrast", Kind::Number}, {"CVBS Hue", Kind::Number}}},
      {"Audio",
       {{"Audio Input", Kind::Combo}, {"Audio Pid", Kind::Number}, {"Left Volume", Kind::Combo},
        {"Right Volume", Kind::Combo}, {"Bitrate(kbps)", Kind::Combo}, {"Encode Mode", Kind::Combo},
        {"Channel Mode", Kind::Combo}, {"SDI volume ", Kind::Combo}, {"SDI Select Group", Kind::Combo},
        {"SDI Exist Group", Kind::Edit}, {"Audio Delay (ms)", Kind::Edit}}},
  };
  return categories;
}

void AddRow(CPropertyTreeCtrl& tree, CPropertyItem* category, const Row& row, int id) {
  switch (row.kind) {
    case Kind::Static: {
      auto* item = tree.AddItem(std::make_unique<CStaticPropertyItem>(), category);
      item->SetLabel(QString::fromLatin1(row.label));
      item->SetValueText(QStringLiteral("V2.3.17"));
      break;
    }
    case Kind::Edit:
    case Kind::Number: {
      auto* item = tree.AddItem(std::make_unique<CEditPropertyItem>(id), category);
      item->SetLabel(QString::fromLatin1(row.label));
      item->CreateEditor(row.kind == Kind::Number ? PROP_EDIT_NUMBER : 0);
      item->SetIntValue(id);
      break;
    }
    case Kind::Combo: {
      auto* item = tree.AddItem(std::make_unique<CComboPropertyItem>(id), category);
      item->SetLabel(QString::fromLatin1(row.label));
      item->CreateEditor();
      item->AddString(QStringLiteral("no"));
      item->AddString(QStringLiteral("yes"));
      item->SetCurSel(1);
      break;
    }
    case Kind::Address: {
      auto* item = tree.AddItem(std::make_unique<CIPAddressPropertyItem>(id), category);
      item->SetLabel(QString::fromLatin1(row.label));
      item->CreateEditor();
      item->SetAddress(0xC0A8010Au);
      break;
    }
  }
}

CPropertyItem* AddCategory(CPropertyTreeCtrl& tree, const char* label) {
  CPropertyItem* category = tree.AddItem(std::make_unique<CPropertyItem>());
  category->SetLabel(QString::fromLatin1(label));
  category->SetCategoryColor(ColorFromColorRef(0xDCDCDC));
  category->SetExpanded(true);
  return category;
}

std::unique_ptr<CPropertyTreeCtrl> MakeShownControl() {
  auto tree = std::make_unique<CPropertyTreeCtrl>();
  tree->Create(QRect(0, 0, 400, 600), nullptr, PROPS_SHADED_GUTTER | PROPS_CATEGORY_COLORS);
  while (!tree->windowHandle() || !tree->windowHandle()->isExposed()) QApplication::processEvents();
  return tree;
}

// The page's four categories and 39 items: 43 rows.
std::unique_ptr<CPropertyTreeCtrl> MakePageControl() {
  auto tree = MakeShownControl();
  int id = 10001;
  for (const Category& category : PageRows()) {
    CPropertyItem* bar = AddCategory(*tree, category.label);
    for (const Row& row : category.rows) AddRow(*tree, bar, row, id++);
  }
  return tree;
}

// Ten categories of 99 rows each, cycling through the page's rows: 1000 rows.
std::unique_ptr<CPropertyTreeCtrl> MakeThousandRowControl() {
  auto tree = MakeShownControl();
  tree->setUpdatesEnabled(false);  // building is not what is measured
  std::vector<Row> all;
  for (const Category& category : PageRows()) all.insert(all.end(), category.rows.begin(), category.rows.end());
  int id = 20001;
  for (int c = 0; c < 10; ++c) {
    CPropertyItem* bar = AddCategory(*tree, "Category");
    for (int r = 0; r < 99; ++r) AddRow(*tree, bar, all[static_cast<std::size_t>(r) % all.size()], id++);
  }
  tree->setUpdatesEnabled(true);
  tree->UpdateView();
  return tree;
}

void CountRows(benchmark::State& state, CPropertyTreeCtrl& tree) {
  int rows = 0;
  for (CPropertyItem* item = tree.GetVisibleChainHead(); item; item = item->GetNextVisible()) ++rows;
  state.counters["rows"] = rows;
}

void BM_FullPaintPageRows(benchmark::State& state) {
  auto tree = MakePageControl();
  for (auto _ : state) tree->GetListWnd()->Repaint();
  CountRows(state, *tree);
}
BENCHMARK(BM_FullPaintPageRows)->Unit(benchmark::kMicrosecond);

void BM_FullPaintThousandRows(benchmark::State& state) {
  auto tree = MakeThousandRowControl();
  for (auto _ : state) tree->GetListWnd()->Repaint();
  CountRows(state, *tree);
}
BENCHMARK(BM_FullPaintThousandRows)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
