// The configuration page: building it (both lists, every row and editor) and showing a full record in it,
// with both lists on screen (389 and 400 x 600). Showing a record only changes the editors and invalidates
// the lists; the paint that follows is measured on its own.
#include <memory>

#include <QApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "app/ConfigurationPage.h"
#include "config/EncoderConfiguration.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "tests/support/SampleRecords.h"

namespace {

using kestrine::app::ConfigurationPage;
using kestrine::config::EncoderConfiguration;

constexpr int kPageWidth = 792;
constexpr int kPageHeight = 600;

EncoderConfiguration FullRecord(int variant) {
  EncoderConfiguration record = kestrine::samples::FullRecord();
  record.sequence_number = variant;
  record.multicast_port = 1234 + variant;
  record.analog_channel_mode = variant % 2 == 0 ? 0 : 3;  // the bitrate list is rebuilt every time
  record.analog_bitrate = 96;
  record.audio_input = variant % 3;
  return record;
}

std::unique_ptr<QWidget> MakeShownHost() {
  auto host = std::make_unique<QWidget>();
  host->resize(kPageWidth, kPageHeight);
  host->show();
  while (!host->windowHandle() || !host->windowHandle()->isExposed()) QApplication::processEvents();
  return host;
}

ConfigurationPage* MakePage(QWidget& host) {
  auto* page = new ConfigurationPage(&host);
  page->setGeometry(0, 0, kPageWidth, kPageHeight);
  page->show();
  return page;
}

void BM_BuildPage(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto host = MakeShownHost();
    state.ResumeTiming();
    benchmark::DoNotOptimize(MakePage(*host));
    state.PauseTiming();
    host.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildPage)->Unit(benchmark::kMillisecond);

void BM_RefreshPage(benchmark::State& state) {
  auto host = MakeShownHost();
  ConfigurationPage* page = MakePage(*host);
  const EncoderConfiguration records[] = {FullRecord(1), FullRecord(2), FullRecord(3)};
  int next = 0;
  for (auto _ : state) page->RefreshPage(&records[next++ % 3]);
}
BENCHMARK(BM_RefreshPage)->Unit(benchmark::kMicrosecond);

void BM_RefreshPageAndPaint(benchmark::State& state) {
  auto host = MakeShownHost();
  ConfigurationPage* page = MakePage(*host);
  const EncoderConfiguration records[] = {FullRecord(1), FullRecord(2), FullRecord(3)};
  int next = 0;
  for (auto _ : state) {
    page->RefreshPage(&records[next++ % 3]);
    page->LeftTree().GetListWnd()->Repaint();
    page->RightTree().GetListWnd()->Repaint();
  }
}
BENCHMARK(BM_RefreshPageAndPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
