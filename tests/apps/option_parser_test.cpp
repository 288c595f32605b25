// The command line's shared option parser: the forms every subcommand
// accepts and the mistakes every subcommand refuses; and the limits a
// command unattended runs under.
#include "option_parser.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "hostlib/files/atomic_file.h"
#include "process_limits.h"

namespace {

using vex3d::cli::OptionParser;

struct Parsed {
  OptionParser::Result result;
  bool fast = false;
  std::string level;
  std::vector<std::string> operands;
};

Parsed parse(const std::vector<std::string>& args, std::size_t minOperands = 1,
             std::size_t maxOperands = 2) {
  Parsed p{};
  OptionParser parser("test", "IN [OUT]", minOperands, maxOperands);
  parser.flag("fast", 'f', "go fast", p.fast)
      .value("level", 'l', "N", "how much", [&p](const std::string& v) {
        if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos) {
          return std::string("wants a number");
        }
        p.level = v;
        return std::string();
      });
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  p.result = parser.parse(args);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  p.operands = parser.operands();
  return p;
}

TEST(OptionParserTest, ValuesInEveryFormAndOperandsAnywhere) {
  using V = std::vector<std::string>;
  for (const V& args :
       {V{"--level", "3", "in"}, V{"--level=3", "in"}, V{"in", "-l", "3"}, V{"-l", "3", "in"}}) {
    const Parsed p = parse(args);
    EXPECT_EQ(p.result, OptionParser::Result::ok) << args[0];
    EXPECT_EQ(p.level, "3") << args[0];
    EXPECT_EQ(p.operands, V{"in"}) << args[0];
  }
  const Parsed mixed = parse({"a", "-f", "b"});
  EXPECT_TRUE(mixed.fast);
  EXPECT_EQ(mixed.operands, (V{"a", "b"}));
  // After "--" everything is an operand, and "-" alone always is one.
  const Parsed dashed = parse({"-", "--", "-f"});
  EXPECT_EQ(dashed.result, OptionParser::Result::ok);
  EXPECT_FALSE(dashed.fast);
  EXPECT_EQ(dashed.operands, (V{"-", "-f"}));
  // A value is the next word whatever it looks like; the option judges it.
  EXPECT_EQ(parse({"in", "--level", "-f"}).result, OptionParser::Result::usageError);
  EXPECT_EQ(parse({"in", "--level="}).result, OptionParser::Result::usageError);
}

TEST(OptionParserTest, MistakesAreUsageErrorsAndHelpIsNot) {
  using V = std::vector<std::string>;
  for (const V& args : {V{"in", "--slow"}, V{"in", "-x"}, V{"in", "--level"}, V{"in", "--fast=1"},
                        V{"in", "--level", "many"}, V{}, V{"a", "b", "c"}, V{"in", "--lev", "3"}}) {
    EXPECT_EQ(parse(args).result, OptionParser::Result::usageError)
        << (args.empty() ? "(nothing)" : args.back());
  }
  EXPECT_EQ(parse({"--help"}).result, OptionParser::Result::help);
  EXPECT_EQ(parse({"in", "-h"}).result, OptionParser::Result::help);
  EXPECT_EQ(OptionParser::exitStatus(OptionParser::Result::help), 0);
  EXPECT_EQ(OptionParser::exitStatus(OptionParser::Result::usageError), 2);
  EXPECT_EQ(parse({}, 0, OptionParser::kMany).result, OptionParser::Result::ok);
}

}  // namespace

namespace {

// A thumbnail that runs past its time gives up by itself and takes its
// half-written image with it.
TEST(ProcessLimitsTest, PastItsTimeACommandEndsAndLeavesNoFile) {
  const std::filesystem::path dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "process-limits";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string target = (dir / "thumb.png").string();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    vex3d::removeTemporaryFilesOnSignals();
    vex3d::cli::limitProcess(0, 1);
    vex3d::AtomicFile file;
    std::string why;
    if (!file.open(target, why) || !file.write("partial", 7, why)) ::_exit(5);
    for (;;) ::pause();
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  EXPECT_GE(vex3d::cli::defaultThumbnailMemory(), 1ull << 30);
  EXPECT_LE(vex3d::cli::defaultThumbnailMemory(), 4ull << 30);
}

}  // namespace
