#include "app/SplitterLayout.h"

#include <numeric>

namespace kestrine::app {

SplitterLayout::SplitterLayout(int paneCount, int minimumPane, int bar)
    : paneCount_(paneCount),
      minimumPane_(minimumPane),
      bar_(bar),
      weights_(static_cast<std::size_t>(paneCount), (paneCount / 2 + kWhole) / paneCount),
      positions_(static_cast<std::size_t>(paneCount) + 1, 0) {
  WeightAt(paneCount_ - 1) = kWhole - (paneCount_ - 1) * Weight(0);
}

void SplitterLayout::SetShares(const std::vector<int>& shares, int extent) {
  const int sum = std::accumulate(shares.begin(), shares.end(), 0);
  if (sum <= 0 || static_cast<int>(shares.size()) != paneCount_) return;
  int given = 0;
  for (int i = 0; i + 1 < paneCount_; ++i) {
    WeightAt(i) = (sum / 2 + shares[static_cast<std::size_t>(i)] * kWhole) / sum;
    given += Weight(i);
  }
  WeightAt(paneCount_ - 1) = kWhole - given;
  Layout(extent);
}

bool SplitterLayout::PinSmallPanes(int available) {
  bool raised = false;
  int free = kWhole;
  int rest = kWhole;
  for (int i = 0; i < paneCount_; ++i) {
    if (PixelSize(Weight(i), available) > minimumPane_) continue;
    rest -= Weight(i);
    if (PixelSize(Weight(i), available) < minimumPane_) {
      WeightAt(i) = minimumPane_ > available ? kWhole : (minimumPane_ * kWhole + available / 2) / available;
      raised = true;
    }
    free -= Weight(i);
  }
  if (free <= 0) {
    ShareOutMinimum(available);
    return false;
  }
  // When every pane is pinned nothing is left to scale; dividing by the empty rest would be a fault.
  if (free < kWhole && rest > 0) {
    for (int i = 0; i < paneCount_; ++i) {
      if (PixelSize(Weight(i), available) != minimumPane_) WeightAt(i) = (Weight(i) * free + rest / 2) / rest;
    }
  }
  return raised;
}

// The pinned panes need everything: each gets the minimum, in order, while weight lasts.
void SplitterLayout::ShareOutMinimum(int available) {
  int left = kWhole;
  for (int i = 0; i < paneCount_; ++i) {
    int weight = available == 0 ? 0 : (available / 2 + minimumPane_ * kWhole) / available;
    if (weight > left) weight = left;
    WeightAt(i) = weight;
    left -= weight;
  }
}

void SplitterLayout::Layout(int extent) {
  const int available = Available(extent);
  // Each pass either pins one more pane or ends; the bound only guards against rounding ping-pong.
  for (int pass = 0; pass <= paneCount_ + 1; ++pass) {
    if (!PinSmallPanes(available)) break;
  }
  ComputePositions(available);
}

void SplitterLayout::ComputePositions(int available) {
  PositionAt(0) = 0;
  for (int i = 0; i + 1 < paneCount_; ++i) PositionAt(i + 1) = Position(i) + PixelSize(Weight(i), available) + bar_;
  PositionAt(paneCount_) = available + paneCount_ * bar_;
}

int SplitterLayout::BarAt(int coordinate) const {
  int pane = 1;
  while (Position(pane) < coordinate && pane + 1 < paneCount_) ++pane;
  return pane;
}

int SplitterLayout::ClampBar(int paneAfterBar, int wanted) const {
  const int highest = Position(paneAfterBar + 1) - bar_ - minimumPane_;
  const int lowest = Position(paneAfterBar - 1) + bar_ + minimumPane_;
  if (wanted > highest) return highest;
  if (wanted < lowest) return lowest;
  return wanted;
}

void SplitterLayout::DropBar(int paneAfterBar, int position, int extent) {
  const int k = paneAfterBar;
  const int available = Available(extent);
  PositionAt(k) = position;
  if (available <= 0) return;
  WeightAt(k - 1) = ((Position(k) - Position(k - 1) - bar_) * kWhole + available / 2) / available;
  WeightAt(k) = ((Position(k + 1) - Position(k) - bar_) * kWhole + available / 2) / available;
}

}  // namespace kestrine::app
