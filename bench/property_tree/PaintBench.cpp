// Full paints of a property tree control: one holding the configuration page's rows (four categories,
// 39 items of every kind) and one holding 1000 rows. Every paint walks all rows that are not collapsed,
// on screen or not, because it also rebuilds the visible chain; only the rows on screen are drawn.
// Then the cost of building 40 and 1000 rows item by item, with and without a batch.
#include <cstddef>
#include <memory>
#include <vector>

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

// `rows` rows cycling through the page's rows, in categories of 10 (the category bar counts as a row).
void BuildRows(CPropertyTreeCtrl& tree, int rows) {
  static const std::vector<Row> all = [] {
    std::vector<Row> flat;
    for (const Category& category : PageRows()) flat.insert(flat.end(), category.rows.begin(), category.rows.end());
    return flat;
  }();
  constexpr int kRowsPerCategory = 10;
  int id = 20001;
  std::size_t next = 0;
  for (int done = 0; done < rows; done += kRowsPerCategory) {
    CPropertyItem* bar = AddCategory(tree, "Category");
    for (int r = 1; r < kRowsPerCategory && done + r < rows; ++r) AddRow(tree, bar, all[next++ % all.size()], id++);
  }
}

// 1000 rows: 100 categories of 9 items.
std::unique_ptr<CPropertyTreeCtrl> MakeThousandRowControl() {
  auto tree = MakeShownControl();
  {
    CPropertyTreeCtrl::BatchUpdate batch(*tree);
    BuildRows(*tree, 1000);
  }
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

// Building a control item by item, as a host fills a page. Without a batch every AddItem lays the whole
// tree out again (and paints what shows while the control is shown); inside a BatchUpdate the rows are laid
// out once, when the batch ends. Arguments: rows, whether the control is shown, whether a batch is used.
void BM_BuildRows(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const bool shown = state.range(1) != 0;
  const bool batched = state.range(2) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tree = MakeShownControl();
    if (!shown) tree->hide();
    state.ResumeTiming();
    if (batched) {
      CPropertyTreeCtrl::BatchUpdate batch(*tree);
      BuildRows(*tree, rows);
    } else {
      BuildRows(*tree, rows);
    }
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_BuildRows)
    ->ArgNames({"rows", "shown", "batch"})
    ->ArgsProduct({{40, 1000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

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
