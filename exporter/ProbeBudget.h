#pragma once

#include <chrono>
#include <string_view>

#include "net/Timings.h"

namespace kestrine::exporter {

// How long one probe may take. Prometheus says how long it waits for a scrape
// (X-Prometheus-Scrape-Timeout-Seconds); the probe ends a margin before that, so
// an encoder that does not answer still gets its kestrine_up 0 in time instead of
// a failed scrape. Never longer than the exporter's own limit.
struct BudgetRule {
  std::chrono::milliseconds limit{10000};  // --timeout: also the budget when Prometheus says nothing
  std::chrono::milliseconds margin{500};   // --timeout-offset: left for the answer to travel
};

// header: the header's text, empty when there was none; one that does not read
// as a positive number of seconds counts as none.
[[nodiscard]] std::chrono::milliseconds ProbeBudget(std::string_view header, const BudgetRule& rule);

// The protocol's waits cut so that one exchange (connect, pause, the whole reply)
// ends within `budget` even when every stage takes all it may. The pause is kept
// where it fits; where it must be cut, the first receive waits for the reply as
// long as the rest of the budget allows, so an encoder that answers within the
// original pause is still heard.
[[nodiscard]] net::Timings FitTimings(const net::Timings& configured, std::chrono::milliseconds budget);

}  // namespace kestrine::exporter
