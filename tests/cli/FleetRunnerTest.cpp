#include "cli/FleetRunner.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "cli/ConsoleFeedback.h"
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

#ifdef __GLIBC__
// While it lives, every new thread asks for more stack than the address space holds, so none can start.
class NoThreadsToBeHad final {
 public:
  NoThreadsToBeHad() {
    pthread_getattr_default_np(&saved_);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, std::size_t{1} << 50);
    pthread_setattr_default_np(&huge);
    pthread_attr_destroy(&huge);
  }
  ~NoThreadsToBeHad() {
    pthread_setattr_default_np(&saved_);
    pthread_attr_destroy(&saved_);
  }
  NoThreadsToBeHad(const NoThreadsToBeHad&) = delete;
  NoThreadsToBeHad& operator=(const NoThreadsToBeHad&) = delete;

 private:
  pthread_attr_t saved_{};
};

TEST(FleetRunner, WithoutThreadsEveryJobStillRunsAndPrintsInOrder) {
  std::ostringstream out;
  std::ostringstream err;
  const FleetRunner runner(1000);
  bool ok = true;
  {
    const NoThreadsToBeHad noThreads;
    ok = runner.Run(
        5,
        [](std::size_t index, JobOutput& output) {
          output.Print(Stream::Out, "", "job " + std::to_string(index));
          return index != 3;
        },
        out, err);
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(out.str(), "job 0\njob 1\njob 2\njob 3\njob 4\n");
}
#endif

}  // namespace
}  // namespace kestrine::cli
