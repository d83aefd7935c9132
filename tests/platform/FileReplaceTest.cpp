#include "platform/FileReplace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrine::platform {
namespace {

namespace fs = std::filesystem;

class FileReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kestrine-file-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir_;
};

TEST_F(FileReplaceTest, ReplacesTheWholeFileAndLeavesNoTemporary) {
  const fs::path file = dir_ / "in.xml";
  ASSERT_TRUE(ReplaceFile(file, std::string(5000, 'a'), FileAccess::Shared));
  ASSERT_TRUE(ReplaceFile(file, std::string_view("short\r\n\0x", 9), FileAccess::Shared));
  EXPECT_EQ(Read(file), std::string("short\r\n\0x", 9));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

#ifndef _WIN32
TEST_F(FileReplaceTest, OwnerOnlyFilesAreReadableByTheOwnerAlone) {
  const fs::path file = dir_ / "out.xml";
  ASSERT_TRUE(ReplaceFile(file, "shared", FileAccess::Shared));
  ASSERT_TRUE(ReplaceFile(file, "secret", FileAccess::OwnerOnly));  // the old file's permissions do not carry over
  const auto perms = fs::status(file).permissions();
  EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
  EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
}
#endif

TEST_F(FileReplaceTest, AnUnwritablePlaceFailsWithoutTouchingAnything) {
  std::error_code reason;
  EXPECT_FALSE(ReplaceFile(dir_ / "missing" / "in.xml", "x", FileAccess::Shared, &reason));
  EXPECT_EQ(reason, std::errc::no_such_file_or_directory);
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
}  // namespace kestrine::platform
