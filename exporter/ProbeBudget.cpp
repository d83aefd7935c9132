#include "exporter/ProbeBudget.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace kestrine::exporter {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kShortestBudget{1};

std::optional<double> PositiveSeconds(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  double seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(seconds) || seconds <= 0) return std::nullopt;
  return seconds;
}

}  // namespace

milliseconds ProbeBudget(std::string_view header, const BudgetRule& rule) {
  const std::optional<double> seconds = PositiveSeconds(header);
  if (!seconds) return std::max(rule.limit, kShortestBudget);
  const double offered = std::min(*seconds * 1000.0, static_cast<double>(rule.limit.count()));
  const auto scrape = milliseconds(static_cast<long long>(offered));
  // A margin as long as the whole scrape timeout would leave nothing: then half of it goes.
  const milliseconds budget = scrape > 2 * rule.margin ? scrape - rule.margin : scrape / 2;
  return std::max(budget, kShortestBudget);
}

net::Timings FitTimings(const net::Timings& configured, milliseconds budget) {
  net::Timings fitted = configured;
  const milliseconds slice = std::max(std::min(configured.receiveTimeout, budget / 4), kShortestBudget);
  fitted.exchangeDelay = std::clamp(budget - 2 * slice, milliseconds::zero(), configured.exchangeDelay);
  fitted.connectTimeout = std::max(std::min(configured.connectTimeout, budget - fitted.exchangeDelay - slice), slice);
  fitted.replyLimit =
      std::max(std::min(configured.replyLimit, budget - fitted.exchangeDelay - fitted.connectTimeout), kShortestBudget);
  const bool pauseCut = fitted.exchangeDelay < configured.exchangeDelay;
  fitted.receiveTimeout = pauseCut ? fitted.replyLimit : std::min(configured.receiveTimeout, fitted.replyLimit);
  return fitted;
}

}  // namespace kestrine::exporter
