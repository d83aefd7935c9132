#include "net/FleetRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "platform/OpenFileLimit.h"
#include "support/Eventually.h"

namespace kestrine::net {
namespace {

TEST(FleetRunner, ReportsInTheOrderGivenWhateverOrderJobsFinishIn) {
  std::atomic<int> running{0};
  std::atomic<int> mostAtOnce{0};
  std::atomic<bool> secondStarted{false};
  std::vector<std::size_t> reported;
  const FleetRunner runner(4);
  runner.Run(
      8,
      [&](std::size_t index) {
        const int now = ++running;
        for (int seen = mostAtOnce; now > seen && !mostAtOnce.compare_exchange_weak(seen, now);) {
        }
        if (index == 1) secondStarted = true;
        // The first job can only finish once the second runs beside it.
        if (index == 0) {
          EXPECT_TRUE(test::Eventually([&] { return secondStarted.load(); }));
        }
        // Later jobs finish first.
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * (8 - static_cast<int>(index))));
        --running;
      },
      [&](std::size_t index) { reported.push_back(index); });
  EXPECT_EQ(reported, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_LE(mostAtOnce.load(), 4);
}

TEST(FleetRunner, AWorkerReadsTheDeepestDocumentAReplyCanHold) {
  std::string deepest;
  for (std::size_t level = 0; level < config::kMaxDocumentBytes / 3; ++level) deepest += "<a>";
  bool refused = false;
  const FleetRunner runner(1);
  runner.Run(1, [&](std::size_t) {
    config::EncoderConfiguration record;
    refused = config::LoadConfigurationDocument(deepest, record) == 0;  // unclosed: parsed to the bottom, refused
  });
  EXPECT_TRUE(refused);
}

TEST(FleetRunner, AJobThatThrowsLetsTheOthersRunAndIsThrownAtTheEnd) {
  const FleetRunner runner(2);
  runner.Run(0, [](std::size_t) { FAIL() << "no job to run"; });
  std::atomic<int> ran{0};
  EXPECT_THROW(runner.Run(4,
                          [&](std::size_t index) {
                            if (index == 0) throw std::runtime_error("boom");
                            ++ran;
                          }),
               std::runtime_error);
  EXPECT_EQ(ran.load(), 3);
}

TEST(FleetRunner, WithoutThreadsEveryJobStillRunsInOrder) {
  std::vector<std::size_t> ran;
  const FleetRunner runner(1000, std::size_t{1} << 50);  // a stack no address space holds: no thread starts
  runner.Run(5, [&](std::size_t index) { ran.push_back(index); });
  EXPECT_EQ(ran, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

TEST(FleetRunner, ByDefaultEveryEncoderIsWorkedOnAtOnceUpToTheOpenFileLimit) {
  EXPECT_EQ(ChooseConcurrency(std::nullopt, 1000, 20000).jobs, 1000u);
  EXPECT_FALSE(ChooseConcurrency(std::nullopt, 1000, 20000).roundsForcedByOpenFiles);
  EXPECT_EQ(ChooseConcurrency(64, 1000, 20000).jobs, 64u);  // --jobs still caps it
  EXPECT_FALSE(ChooseConcurrency(64, 1000, 20000).roundsForcedByOpenFiles);
  const FleetConcurrency capped = ChooseConcurrency(std::nullopt, 2000, 1024);
  EXPECT_EQ(capped.jobs, 1024u - 16u);
  EXPECT_TRUE(capped.roundsForcedByOpenFiles);
  EXPECT_TRUE(ChooseConcurrency(5000, 5000, 1024).roundsForcedByOpenFiles);
  EXPECT_EQ(ChooseConcurrency(std::nullopt, 0, 0).jobs, 1u);

  // Every job waits until all have started: it ends only if all run at once, on small stacks.
  constexpr std::size_t kEncoders = 300;
  std::atomic<std::size_t> started{0};
  std::atomic<std::size_t> sawAll{0};
  const FleetRunner runner(ChooseConcurrency(std::nullopt, kEncoders, platform::RaiseOpenFileLimit()).jobs);
  runner.Run(kEncoders, [&](std::size_t) {
    ++started;
    if (test::Eventually([&] { return started.load() == kEncoders; })) ++sawAll;
  });
  EXPECT_EQ(sawAll.load(), kEncoders);
}

}  // namespace
}  // namespace kestrine::net
