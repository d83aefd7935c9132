#include "platform/OpenFileLimit.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "platform/Socket.h"
#include "support/Wine.h"

namespace kestrine::platform {
namespace {

TEST(OpenFileLimit, EveryOpenSocketLeavesRoomForFewer) {
  if (test::UnderWine()) GTEST_SKIP() << "Wine does not count the handles a process holds (it answers 0)";
  ASSERT_TRUE(StartSocketLayer());
  const std::size_t before = RaiseOpenFileLimit();
  const Socket socket = Socket::CreateStream();
  ASSERT_TRUE(socket.IsValid());
  const std::size_t after = RaiseOpenFileLimit();
  EXPECT_LT(after, before);
  EXPECT_GT(after, 100u);
}

TEST(OpenFileLimit, TheSoftLimitIsRaisedToTheHardOne) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no open-file limit to lower";
#else
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  if (saved.rlim_max <= 256) GTEST_SKIP() << "hard limit too low to lower the soft one below it";
  rlimit lowered = saved;
  lowered.rlim_cur = 256;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
  const std::size_t available = RaiseOpenFileLimit();
  rlimit now{};
  getrlimit(RLIMIT_NOFILE, &now);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(now.rlim_cur, saved.rlim_max);
  EXPECT_GT(available, 256u);
  EXPECT_LT(available, static_cast<std::size_t>(saved.rlim_max));  // less what is open already
#endif
}

}  // namespace
}  // namespace kestrine::platform
