#include "platform/system/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/report_error.h"
#include "temp_folder.h"

namespace qm {
namespace {

using test::TempFolder;

TEST(Process, CommandLinesSplitAtBlanksWithQuotesAndBackslashes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCommandLine("  a  b\tc "), (V{"a", "b", "c"}));
    EXPECT_EQ(splitCommandLine("prog -outfile \"/x y/p.jpg\" -quality 75 \"/x y/p.bmp\""),
              (V{"prog", "-outfile", "/x y/p.jpg", "-quality", "75", "/x y/p.bmp"}));
    EXPECT_EQ(splitCommandLine(R"(a\\b "c\"d" e\\\"f g\\"h i")"), (V{R"(a\\b)", R"(c"d)", R"(e\"f)", R"(g\h i)"}));
    EXPECT_EQ(splitCommandLine("\"\" x"), (V{"", "x"}));
    EXPECT_TRUE(splitCommandLine("   ").empty());
}

TEST(Process, RunAndWaitReturnsTheExitCode) {
    EXPECT_EQ(runAndWait("sh -c \"exit 3\""), 3);
    EXPECT_EQ(runAndWait("true"), 0);
    // A trailing "|" is dropped and the program still waited for.
    EXPECT_EQ(runAndWait("sh -c \"exit 5\"|"), 5);
    // Killed by a signal: no exit code.
    EXPECT_EQ(runAndWait("sh -c \"kill -9 $$\""), -1);
}

TEST(Process, ProgramsThatCannotStartGiveMinusOne) {
    ErrorCapture errors;
    EXPECT_EQ(runAndWait(nullptr), -1);
    EXPECT_EQ(runAndWait(""), -1);
    EXPECT_EQ(runAndWait("/no/such/program -x"), -1);
    EXPECT_EQ(runAndWait("no-such-program-qm &"), -1);
    EXPECT_TRUE(errors.contains("Couldn't start '/no/such/program': No such file or directory"));
}

TEST(Process, ATrailingAmpersandDoesNotWait) {
    TempFolder dir;
    std::string marker = dir / "done";
    std::string cmd = "sh -c \"read x; touch '" + marker + "'\" &";
    // The child blocks until its input ends; returning at all proves nobody waited for it.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int savedIn = ::dup(0);
    ::dup2(fds[0], 0);
    ::close(fds[0]);
    EXPECT_EQ(runAndWait(cmd.c_str()), 0);
    ::dup2(savedIn, 0);
    ::close(savedIn);
    EXPECT_FALSE(isRegularFile(marker));
    ::close(fds[1]);  // lets the child finish
    for (int i = 0; i < 500 && !isRegularFile(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(isRegularFile(marker));
}

TEST(Process, OnlyTheStandardStreamsAreInherited) {
    TempFolder dir;
    int fd = ::open((dir / "open").c_str(), O_CREAT | O_WRONLY, 0600);  // no close-on-exec
    ASSERT_GE(fd, 3);
    std::string cmd = "sh -c \"test ! -e /proc/self/fd/" + std::to_string(fd) + " && test -e /proc/self/fd/2\"";
    EXPECT_EQ(runAndWait(cmd.c_str()), 0);
    ::close(fd);
}

}  // namespace
}  // namespace qm
