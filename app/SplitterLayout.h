#pragma once

#include <vector>

namespace kestrine::app {

// The arithmetic of a pane splitter, without a window: fixed-point weights (parts of 32768) for every
// pane, a minimum pane size that pins small panes, and the start of every pane along the split axis.
// Pane k covers [Position(k), Position(k + 1) - bar); the bar before it covers the `bar` pixels just
// below Position(k).
class SplitterLayout final {
 public:
  static constexpr int kWhole = 32768;

  SplitterLayout(int paneCount, int minimumPane, int bar);

  // One share per pane, in any unit; they are turned into weights and the layout is run for `extent`.
  void SetShares(const std::vector<int>& shares, int extent);
  // Weights are adjusted so that no pane falls below the minimum, then positions are recomputed.
  void Layout(int extent);

  // Bar tracking. The bar grabbed at `coordinate` is the one before the returned pane (1 .. count - 1).
  [[nodiscard]] int BarAt(int coordinate) const;
  // Where a dragged bar may go: not so far that a neighbouring pane falls below the minimum.
  [[nodiscard]] int ClampBar(int paneAfterBar, int wanted) const;
  // The bar is dropped: its two neighbours get weights from their new sizes; the layout is not rerun.
  void DropBar(int paneAfterBar, int position, int extent);

  [[nodiscard]] int PaneCount() const { return paneCount_; }
  [[nodiscard]] int MinimumPane() const { return minimumPane_; }
  [[nodiscard]] int Bar() const { return bar_; }
  [[nodiscard]] int Available(int extent) const { return extent - (paneCount_ - 1) * bar_; }
  [[nodiscard]] static int PixelSize(int weight, int available) { return (weight * available + kWhole / 2) / kWhole; }
  [[nodiscard]] int Weight(int pane) const { return weights_[static_cast<std::size_t>(pane)]; }
  [[nodiscard]] int Position(int index) const { return positions_[static_cast<std::size_t>(index)]; }
  [[nodiscard]] int PaneStart(int pane) const { return Position(pane); }
  [[nodiscard]] int PaneLength(int pane) const { return Position(pane + 1) - bar_ - Position(pane); }

 private:
  // One pass of pinning; true when some pane was raised to the minimum and another pass is due.
  bool PinSmallPanes(int available);
  void ShareOutMinimum(int available);
  void ComputePositions(int available);
  int& WeightAt(int pane) { return weights_[static_cast<std::size_t>(pane)]; }
  int& PositionAt(int index) { return positions_[static_cast<std::size_t>(index)]; }

  int paneCount_;
  int minimumPane_;
  int bar_;
  std::vector<int> weights_;
  std::vector<int> positions_;
};

}  // namespace kestrine::app
