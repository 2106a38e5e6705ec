// Embedded runs: they return instead of ending the process, stay inside their
// folder and their budget, and leave nothing behind for the next run.
#include "interpreter/embedded.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace corvel {
namespace {

class Embedded : public testing::Test {
 protected:
  Embedded() {
    root_ = std::filesystem::temp_directory_path() /
            ("corvel_embedded_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(root_ / "inside");
    rules_.folder = (root_ / "inside").string();
  }
  ~Embedded() override { std::filesystem::remove_all(root_); }

  RunOutcome run(const std::string& script,
                 const CompileOptions& options = {}) {
    return runEmbedded(script, options, rules_);
  }
  RunOutcome runGeneric(const std::string& script) {
    CompileOptions options;
    options.generic = true;
    return run(script, options);
  }
  std::string read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path root_;
  Sandbox rules_;
};

TEST_F(Embedded, ARunReturnsItsOutputAndStatus) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"print [a]\nprint [b\\n]", "ab\n", 0},
      {"print [a]\nexit\nprint [b]", "a", 0},
      {"print [a]\nprint $nope\nprint [b]", "aNot declared: $nope\n", 1},
      {"print [a]\nprint [b)", "Unexpected ')'\n", 255},
      {"print [x]\nx", "xUnknown function x", 1},
      {"int $n\nset $n (1 / 0)", "Division by zero\n", 1},
  };
  for (const auto& [script, output, status] : cases) {
    RunOutcome outcome = run(script);
    EXPECT_EQ(outcome.output, output) << script;
    EXPECT_EQ(outcome.status, status) << script;
    EXPECT_FALSE(outcome.jumpsSpent || outcome.heapSpent) << script;
  }
}

TEST_F(Embedded, FilesStayInsideTheFolder) {
  std::filesystem::path outside = root_ / "outside.txt";
  std::ofstream(outside) << "kept";
  std::string absolute = outside.string();
  RunOutcome outcome =
      run("file $f\nint $k\nstring $s\n"
          "fopen $f [made.txt] [w]\nfwrite $f [written]\nfclose $f\n"
          "fexists [made.txt] $k\nprint [$k ]\n"
          "fexists [../outside.txt] $k\nprint [$k ]\n"
          "fexists [" +
          absolute +
          "] $k\nprint [$k ]\n"
          "fexists [sub/../made.txt] $k\nprint [$k ]\n"
          "fopen $f [../outside.txt] [r]\nfreadln $f $s\nprint [($s#)]\n"
          "mkdir [../made]\nmkdir [dir]\nfexists [dir] $k\nprint [$k ]\n"
          "array $a\nreaddir $a [..]\nprint $a\n"
          "unlink [" +
          absolute + "]");
  EXPECT_EQ(outcome.output,
            "1 0 0 0 ()2 {}File/directory doesn't exitst: $" + absolute + "\n");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(read(root_ / "inside" / "made.txt"), "written");
  EXPECT_EQ(read(outside), "kept");
  EXPECT_FALSE(std::filesystem::exists(root_ / "made"));
  // A name with dots that is no ".." component is an ordinary name.
  outcome = run("file $f\nfopen $f [..x] [w]\nfwrite $f [y]\nfclose $f");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(read(root_ / "inside" / "..x"), "y");
}

TEST_F(Embedded, TheShellNetworkTerminalAndInputAreOutOfReach) {
  RunOutcome outcome =
      run("string $s $t\nset $s [kept]\n"
          "system [echo escaped > ../escaped.txt]\n"
          "geturl [http://127.0.0.1:9/] $t\ncin $s\nbeep\nwait\n"
          "print [$s ($t#)]");
  EXPECT_EQ(outcome.output, "kept ()");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_FALSE(std::filesystem::exists(root_ / "escaped.txt"));
}

TEST_F(Embedded, TheJumpBudgetStopsAnEndlessLoopAlikeInEveryWay) {
  rules_.maxJumps = 3;
  const char* script =
      "int $i\nfile $f\nfopen $f [log.txt] [w]\n"
      "*top\nset $i ($i + 1)\nprint [$i ]\nfwrite $f [$i]\n"
      "if $i > (0)\ngoto [top]\nprint [never]";
  CompileOptions unfused;
  unfused.fuse = false;
  for (const RunOutcome& outcome :
       {run(script), run(script, unfused), runGeneric(script)}) {
    EXPECT_EQ(outcome.output, "1 2 3 4 ");
    EXPECT_TRUE(outcome.jumpsSpent);
    EXPECT_EQ(read(root_ / "inside" / "log.txt"), "1234");
  }
  EXPECT_FALSE(
      run("int $i\n*a\nset $i ($i + 1)\nif $i < (3)\ngoto [a]").jumpsSpent);
}

TEST_F(Embedded, LoopsThatJumpToTheirTestStopAtTheSamePlaceInEveryWay) {
  // A step and a jump run with the test they land on as one instruction,
  // which must count the jumps back the separate statements make.
  const char* scripts[] = {
      "int $i $n\nset $n (4)\n*top\nif $i >= $n\ngoto [done]\n"
      "print [$i ]\nset $i ($i + 1)\ngoto [top]\n*done\nprint [end]",
      "int $i\n*body\nprint [$i ]\nset $i ($i + 1)\ngoto [test]\n"
      "print [never]\n*test\nif $i < (4)\ngoto [body]\nprint [end]",
      "int $i\nstring $s\nset $s [3]\n*top\nif $i > $s\ngoto [done]\n"
      "print [$i ]\nset $i ($i + 1)\ngoto [top]\n*done\nprint [end]",
      // A search through a table, whose rounds run as one instruction.
      "array $t $p\nint $k $n\nstring $w $b\nset $b [b]\nadd $p [a]\n"
      "add $t $p\nadd $t $p\nadd $t $p\narrlen $t $n\nprint [go ]\n*find\n"
      "if $k >= $n\ngoto [done]\ngetarray $p $t $k\ngetarray $w $p (0)\n"
      "if $w ~= $b\ngoto [done]\nset $k ($k + 1)\ngoto [find]\n*done\n"
      "print [$k]",
  };
  CompileOptions unfused;
  unfused.fuse = false;
  for (const char* script : scripts) {
    for (std::uint32_t budget = 0; budget < 7; ++budget) {
      rules_.maxJumps = budget;
      RunOutcome generic = runGeneric(script);
      for (const RunOutcome& outcome : {run(script), run(script, unfused)}) {
        EXPECT_EQ(outcome.output, generic.output) << script << budget;
        EXPECT_EQ(outcome.jumpsSpent, generic.jumpsSpent) << script << budget;
      }
    }
  }
}

TEST_F(Embedded, TheTimeLimitStopsALoopTheJumpBudgetWouldLetRunLong) {
  rules_.maxJumps = UINT32_MAX;
  rules_.maxMilliseconds = 50;
  RunOutcome outcome = run("*a\ngoto [a]");
  EXPECT_TRUE(outcome.timeSpent);
  EXPECT_FALSE(outcome.jumpsSpent);
  EXPECT_EQ(outcome.status, 0);
}

TEST_F(Embedded, RunningOutOfMemoryEndsTheRun) {
  rules_.maxValueBytes = 1 << 16;
  const char* scripts[] = {
      // A string that keeps doubling.
      "string $s\nset $s [ab]\n*a\nset $s [$s#$s]\ngoto [a]",
      // Lists sharing their elements, whose text doubles with every add.
      "array $a\nadd $a [x]\n*a\nadd $a $a\nprint $a\ngoto [a]",
      // One literal naming a long string many times.
      "string $s\nset $s [0123456789]\nint $i\n*a\nset $s [$s#$s]\n"
      "set $i ($i + 1)\nif $i < (12)\ngoto [a]\n"
      "print [$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s#$s]",
  };
  for (const char* script : scripts) {
    RunOutcome outcome = run(script);
    ASSERT_GE(outcome.output.size(), 14u) << script;
    EXPECT_EQ(outcome.output.substr(outcome.output.size() - 14),
              "Out of memory\n")
        << script;
    EXPECT_EQ(outcome.status, 1) << script;
    EXPECT_EQ(runGeneric(script).output, outcome.output) << script;
  }
  static std::size_t heap = 0;
  rules_.heapInUse = [] { return heap += 1 << 20; };
  rules_.maxHeapBytes = 5 << 20;
  RunOutcome outcome = run("*a\ngoto [a]");
  EXPECT_EQ(outcome.output, "Out of memory\n");
  EXPECT_TRUE(outcome.heapSpent);
}

TEST_F(Embedded, WhatIsPrintedOrWrittenBeyondTheLimitsIsDropped) {
  rules_.maxOutputBytes = 5;
  rules_.maxFileBytes = 3;
  RunOutcome outcome =
      run("file $f\nfopen $f [a.txt] [w]\nfwrite $f [abcd]\nprint [123]\n"
          "print [456]");
  EXPECT_EQ(outcome.output, "12345");
  EXPECT_TRUE(outcome.outputCut);
  EXPECT_TRUE(outcome.filesCut);
  EXPECT_EQ(read(root_ / "inside" / "a.txt"), "abc");
}

TEST_F(Embedded, NothingOfOneRunReachesTheNext) {
  const char* first =
      "string $s\nset $s [one]\nint $r\nrandom $r\nprint [$r ]\n"
      "file $f\nfopen $f [a.txt] [w]\nfwrite $f [unflushed]\n"
      // Two lists that hold each other, then let go of by every variable.
      "array $a $b $none\nadd $a [x]\nset $b $a\nadd $a $b\n"
      "getarray $b $a (1)\nadd $b $a\nset $a $none\nset $b $none\n"
      // Two more, still held when the run ends.
      "add $a [y]\nset $b $a\nadd $a $b\ngetarray $b $a (1)\nadd $b $a\n"
      "print [partial]\nprint $missing";
  RunOutcome one = run(first);
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(read(root_ / "inside" / "a.txt"), "unflushed");
  RunOutcome two =
      run("int $r\nrandom $r\nprint [$r ]\nfile $f\nstring $t\n"
          "fopen $f [a.txt] [r]\nfreadln $f $t\nprint [$t ]\nprint $s");
  std::string drawn = one.output.substr(0, one.output.find(' ') + 1);
  EXPECT_EQ(two.output, drawn + "unflushed Not declared: $s\n");
  EXPECT_EQ(two.status, 1);
}

}  // namespace
}  // namespace corvel
