#include <chrono>

#include <gtest/gtest.h>

#include "kaso/platform/CommandRunner.h"

namespace {

using kaso::platform::CommandErrorKind;
using kaso::platform::CommandLimits;
using kaso::platform::run_command;
using namespace std::chrono_literals;

CommandLimits limits(size_t output_limit = 1 << 20, std::chrono::milliseconds timeout = 5s)
{
    CommandLimits result;
    result.output_limit = output_limit;
    result.timeout = timeout;
    return result;
}

TEST(CommandRunner, CollectsBothStreamsAndTheExitStatus)
{
    auto ran = run_command("sh", { "-c", "printf out; printf err >&2; exit 3" }, limits());
    ASSERT_TRUE(ran.has_value()) << ran.error().message;
    EXPECT_EQ(ran->standard_output, "out");
    EXPECT_EQ(ran->standard_error, "err");
    EXPECT_EQ(ran->exit_status, 3);
}

TEST(CommandRunner, PassesArgumentsWithoutAShell)
{
    auto ran = run_command("printf", { "%s|", "a b", "$HOME", "*", "; echo hacked" }, limits());
    ASSERT_TRUE(ran.has_value()) << ran.error().message;
    EXPECT_EQ(ran->standard_output, "a b|$HOME|*|; echo hacked|");
}

TEST(CommandRunner, StandardInputIsEmpty)
{
    auto ran = run_command("cat", {}, limits(1 << 20, 2s));
    ASSERT_TRUE(ran.has_value()) << ran.error().message;
    EXPECT_EQ(ran->standard_output, "");
    EXPECT_EQ(ran->exit_status, 0);
}

TEST(CommandRunner, AMissingProgramFailsToStart)
{
    auto ran = run_command("vexa-no-such-program-here", {}, limits());
    ASSERT_FALSE(ran.has_value());
    EXPECT_EQ(ran.error().kind, CommandErrorKind::Failed);
    EXPECT_NE(ran.error().message.find("cannot start vexa-no-such-program-here"), std::string::npos) << ran.error().message;
}

TEST(CommandRunner, RefusesUnusableNamesAndArguments)
{
    EXPECT_EQ(run_command("", {}, limits()).error().kind, CommandErrorKind::Refused);
    EXPECT_EQ(run_command(std::string("sh\0x", 4), {}, limits()).error().kind, CommandErrorKind::Refused);
    EXPECT_EQ(run_command("echo", { std::string("a\0b", 3) }, limits()).error().kind, CommandErrorKind::Refused);
}

TEST(CommandRunner, OutputPastTheLimitKillsTheProgram)
{
    auto started = std::chrono::steady_clock::now();
    auto ran = run_command("sh", { "-c", "while :; do echo yyyyyyyyyyyyyyyyyyyy; done" }, limits(4096, 10s));
    ASSERT_FALSE(ran.has_value());
    EXPECT_EQ(ran.error().kind, CommandErrorKind::Failed);
    EXPECT_NE(ran.error().message.find("more than 4096 bytes"), std::string::npos) << ran.error().message;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(CommandRunner, TheTimeOutKillsTheWholeProcessGroup)
{
    // The shell's child keeps the output pipe open; only killing the group ends the run.
    auto started = std::chrono::steady_clock::now();
    auto ran = run_command("sh", { "-c", "sleep 30 & wait" }, limits(1 << 20, 300ms));
    auto took = std::chrono::steady_clock::now() - started;
    ASSERT_FALSE(ran.has_value());
    EXPECT_NE(ran.error().message.find("timed out after 300 ms"), std::string::npos) << ran.error().message;
    // Left alive, the child would hold the run for its 30 s; the bound is far from both ends.
    EXPECT_LT(took, 15s);
}

TEST(CommandRunner, AProgramThatClosesItsOutputButLingersStillTimesOut)
{
    auto started = std::chrono::steady_clock::now();
    auto ran = run_command("sh", { "-c", "exec >&- 2>&-; sleep 30" }, limits(1 << 20, 300ms));
    ASSERT_FALSE(ran.has_value());
    EXPECT_NE(ran.error().message.find("timed out"), std::string::npos) << ran.error().message;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s); // not the program's 30 s
}

TEST(CommandRunner, ASignalEndsWithStatusAbove128)
{
    auto ran = run_command("sh", { "-c", "kill -TERM $$" }, limits());
    ASSERT_TRUE(ran.has_value()) << ran.error().message;
    EXPECT_EQ(ran->exit_status, 128 + 15);
}

}
