#include "platform/BoundedFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace kestrine::platform {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr std::size_t kBound = 100;

class BoundedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kestrine-bounded-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path File(const std::string& name, const std::string& content) const {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  fs::path Fifo(const std::string& name) const {
    const fs::path path = dir_ / name;
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  }
  fs::path Socket(const std::string& name) const {
    const fs::path path = dir_ / name;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    return path;
  }

  fs::path dir_;
};

TEST_F(BoundedFileTest, ReadsAWholeFileOfAtMostTheBound) {
  const BoundedFileRead full = ReadBoundedFile(File("full", std::string(kBound, 'a')), kBound, milliseconds{10});
  EXPECT_TRUE(full.Read()) << full.reason;
  EXPECT_EQ(full.bytes, std::string(kBound, 'a'));
  EXPECT_TRUE(ReadBoundedFile(File("empty", ""), kBound, milliseconds{10}).Read());
}

struct Refusal {
  std::string what;
  std::function<fs::path()> make;
  FileReadError error;
  std::string reason;
};

TEST_F(BoundedFileTest, EveryRefusalSaysWhy) {
  const std::vector<Refusal> refusals{
      {"missing", [this] { return dir_ / "none"; }, FileReadError::Missing, "no such file"},
      {"directory", [this] { return dir_; }, FileReadError::Directory, "a directory, not a file"},
      {"one byte too many", [this] { return File("long", std::string(kBound + 1, 'a')); }, FileReadError::TooLarge,
       "larger than 100 bytes"},
      {"endless device", [] { return fs::path("/dev/zero"); }, FileReadError::TooLarge, "larger than 100 bytes"},
      {"socket", [this] { return Socket("socket"); }, FileReadError::NotReadable,
       "not readable (No such device or address)"},
      {"pipe without a writer", [this] { return Fifo("fifo"); }, FileReadError::NoWriter,
       "a pipe nothing wrote to within 30 ms"},
  };
  for (const Refusal& refusal : refusals) {
    const BoundedFileRead read = ReadBoundedFile(refusal.make(), kBound, milliseconds{30});
    EXPECT_EQ(read.error, refusal.error) << refusal.what;
    EXPECT_EQ(read.reason, refusal.reason) << refusal.what;
    EXPECT_TRUE(read.bytes.empty()) << refusal.what;
  }
}

TEST_F(BoundedFileTest, APipeWhoseWriterIsThereIsReadToItsEndHoweverSlowly) {
  const fs::path fifo = Fifo("fifo");
  // Open for reading and writing, so a writer is there before the read begins.
  const int writer = ::open(fifo.c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  std::thread late([writer] {
    std::this_thread::sleep_for(milliseconds{100});  // longer than the wait for a writer
    EXPECT_EQ(::write(writer, "<tavrix/>", 9), 9);
    ::close(writer);
  });
  const BoundedFileRead read = ReadBoundedFile(fifo, kBound, milliseconds{10});
  late.join();
  EXPECT_TRUE(read.Read()) << read.reason;
  EXPECT_EQ(read.bytes, "<tavrix/>");
}

}  // namespace
}  // namespace kestrine::platform
