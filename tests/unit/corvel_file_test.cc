#include "files/corvel_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace corvel {
namespace {

class FileHandle : public testing::Test {
 protected:
  FileHandle() {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvel_file_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  ~FileHandle() override { std::filesystem::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir_;
};

TEST_F(FileHandle, ReadsLinesUntilTheEnd) {
  CorvelFile file;
  file.openFile(write("a.txt", "one\nabc\r\nlast"), "r");
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.readLine(), "one");
  EXPECT_EQ(file.readLine(), "abc\r");
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.readLine(), "last");
  EXPECT_TRUE(file.isDone());
  EXPECT_EQ(file.readLine(), "");

  file.openFile(write("b.txt", "x\n"), "r");
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.readLine(), "x");
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.readLine(), "");
  EXPECT_TRUE(file.isDone());

  file.openFile(write("empty.txt", ""), "r");
  EXPECT_EQ(file.readLine(), "");
  EXPECT_TRUE(file.isDone());
}

TEST_F(FileHandle, ReadsByteCounts) {
  CorvelFile file;
  file.openFile(write("z.txt", std::string("a\0b", 3)), "r");
  EXPECT_EQ(file.readAmountOfCharacters(3), "ab");
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.readAmountOfCharacters(0), "");
  EXPECT_EQ(file.readAmountOfCharacters(-4), "");
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.readAmountOfCharacters(1), "");
  EXPECT_TRUE(file.isDone());

  file.openFile(write("u.txt", "\xC3\xA9t\xC3\xA9"), "r");
  EXPECT_EQ(file.readAmountOfCharacters(3), "\xC3\xA9t");
  EXPECT_EQ(file.readAmountOfCharacters(1), std::nullopt);  // half a character
}

TEST_F(FileHandle, FollowsItsStates) {
  CorvelFile file;
  EXPECT_FALSE(file.isOpen());
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.path(), "");
  EXPECT_EQ(file.method(), 0);
  EXPECT_EQ(file.readLine(), std::nullopt);
  EXPECT_EQ(file.readAmountOfCharacters(3), std::nullopt);

  std::string path = (dir_ / "w.txt").string();
  file.openFile(path, "w");
  EXPECT_EQ(file.path(), path);
  file.writeBufferToFile("caf\xC3\xA9\n");
  file.closeFile();
  EXPECT_TRUE(file.isDone());
  EXPECT_EQ(file.path(), "");
  EXPECT_EQ(file.method(), 'w');
  EXPECT_EQ(read(path), "caf\xC3\xA9\n");

  file.openFile(path, "a");
  EXPECT_FALSE(file.isDone());
  file.writeBufferToFile("more");
  EXPECT_EQ(file.readAmountOfCharacters(2),
            "");  // a write stream gives nothing back
  EXPECT_TRUE(file.isDone());
  file.openFile(path,
                "r");  // reopening closes and so writes out the old stream
  EXPECT_EQ(file.readLine(), "caf\xC3\xA9");
  EXPECT_EQ(file.readLine(), "more");
}

TEST_F(FileHandle, APathThatCannotBeOpenedReadsAsEmpty) {
  CorvelFile file;
  file.openFile((dir_ / "missing" / "x.txt").string(), "r");
  EXPECT_TRUE(file.isOpen());
  EXPECT_FALSE(file.isDone());
  EXPECT_EQ(file.readLine(), "");
  EXPECT_TRUE(file.isDone());
  file.openFile((dir_ / "missing" / "x.txt").string(), "r");
  EXPECT_EQ(file.readAmountOfCharacters(5), "");
  EXPECT_TRUE(file.isDone());
}

TEST_F(FileHandle, MisuseEndsTheRun) {
  EXPECT_EXIT(CorvelFile().openFile("x", "R"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(CorvelFile().openFile("x", "rw"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(CorvelFile().writeBufferToFile("x"), testing::ExitedWithCode(1),
              "");
  EXPECT_EXIT(
      {
        CorvelFile file;
        file.openFile(write("r.txt", "x"), "r");
        file.writeBufferToFile("x");
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        CorvelFile file;
        file.openFile((dir_ / "c.txt").string(), "w");
        file.closeFile();
        file.writeBufferToFile("x");
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        CorvelFile file;
        file.openFile((dir_ / "nodir" / "x").string(), "w");
        file.writeBufferToFile("x");
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        CorvelFile file;
        file.openFile((dir_ / "l.txt").string(), "a");
        file.readLine();
      },
      testing::ExitedWithCode(1), "");
}

TEST_F(FileHandle, RefusedWritesAreReported) {
  EXPECT_EXIT(
      {
        CorvelFile file;
        file.openFile("/dev/full", "w");
        file.writeBufferToFile("x");
        file.closeFile();
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        CorvelFile file;
        file.openFile("/dev/full", "w");
        file.writeBufferToFile("x");
        flushOpenFiles();
        std::exit(0);
      },
      testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace corvel
