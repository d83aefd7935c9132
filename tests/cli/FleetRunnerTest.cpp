#include "cli/FleetRunner.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <atomic>
#include <sstream>
#include <string>
#include <thread>

#include "cli/ConsoleFeedback.h"
#include "platform/OpenFileLimit.h"
#include "support/Eventually.h"

namespace kestrine::cli {
namespace {

TEST(FleetRunner, PrintsInTheOrderGivenWhateverOrderJobsFinishIn) {
  std::atomic<int> running{0};
  std::atomic<int> mostAtOnce{0};
  std::atomic<bool> secondStarted{false};
  std::ostringstream out;
  std::ostringstream err;
  const FleetRunner runner(4);
  const bool ok = runner.Run(
      8,
      [&](std::size_t index, JobOutput& output) {
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
        output.Print(Stream::Out, "", "job " + std::to_string(index));
        if (index == 5) output.Print(Stream::Err, "", "five failed\n");
        --running;
        return index != 5;
      },
      out, err);
  EXPECT_FALSE(ok);
  EXPECT_EQ(out.str(), "job 0\njob 1\njob 2\njob 3\njob 4\njob 5\njob 6\njob 7\n");
  EXPECT_EQ(err.str(), "five failed\n");  // the text's own line feed is not doubled
  EXPECT_LE(mostAtOnce.load(), 4);
}

TEST(FleetRunner, AWorkerHasRoomForTheDeepestDocumentAReplyCanHold) {
  std::string deepest;
  for (int level = 0; level < 9999 / 3; ++level) deepest += "<a>";
  std::ostringstream out;
  std::ostringstream err;
  const FleetRunner runner(1);
  EXPECT_TRUE(runner.Run(
      1,
      [&](std::size_t, JobOutput&) {
        TiXmlDocument document;
        document.Parse(deepest.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
        return document.Error();  // unclosed: parsed to the bottom, then refused
      },
      out, err));
}

TEST(FleetRunner, AJobThatThrowsFailsAloneAndNothingIsEmpty) {
  std::ostringstream out;
  std::ostringstream err;
  const FleetRunner runner(2);
  EXPECT_TRUE(runner.Run(0, [](std::size_t, JobOutput&) { return false; }, out, err));
  EXPECT_FALSE(runner.Run(
      2,
      [](std::size_t index, JobOutput& output) {
        if (index == 0) throw std::runtime_error("boom");
        output.Print(Stream::Out, "", "fine");
        return true;
      },
      out, err));
  EXPECT_EQ(out.str(), "fine\n");
  EXPECT_EQ(err.str(), "boom\n");
}

TEST(FleetRunner, WithoutThreadsEveryJobStillRunsAndPrintsInOrder) {
  std::ostringstream out;
  std::ostringstream err;
  const FleetRunner runner(1000, std::size_t{1} << 50);  // a stack no address space holds: no thread starts
  const bool ok = runner.Run(
      5,
      [](std::size_t index, JobOutput& output) {
        output.Print(Stream::Out, "", "job " + std::to_string(index));
        return index != 3;
      },
      out, err);
  EXPECT_FALSE(ok);
  EXPECT_EQ(out.str(), "job 0\njob 1\njob 2\njob 3\njob 4\n");
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
  std::ostringstream out;
  std::ostringstream err;
  const FleetRunner runner(ChooseConcurrency(std::nullopt, kEncoders, platform::RaiseOpenFileLimit()).jobs);
  EXPECT_TRUE(runner.Run(
      kEncoders,
      [&](std::size_t, JobOutput&) {
        ++started;
        return test::Eventually([&] { return started.load() == kEncoders; });
      },
      out, err));
}

}  // namespace
}  // namespace kestrine::cli
