// The command run on a change: real programs, their arguments, environment, output, exit and time limit.
#include "CommandHook.h"
#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "TempDir.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <unistd.h>

using namespace kestrune::net;

using namespace kestrune::actions;

namespace {

TEST(CommandHook, QuotedArgumentsAddressAndEnvironmentReachTheProgram)
{
    EXPECT_EQ(splitCommandLine(R"(  /bin/echo "a b"  c""d {IP} "" )"),
              (std::vector<std::string>{"/bin/echo", "a b", "cd", "{IP}", ""}));
    EXPECT_THROW(splitCommandLine(R"(/bin/echo "open)"), std::invalid_argument);

    const CommandOutcome outcome = runCommand(commandForAddress(
        R"(/bin/sh -c "echo args=$0,$1; echo env=$KESTRUNE_IP,$KESTRUNE_OLD_IP; echo err >&2" "ip {IP}" x{IP}y)",
        "203.0.113.7", "198.51.100.1"));
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_EQ(outcome.output, "args=ip 203.0.113.7,x203.0.113.7y\nenv=203.0.113.7,198.51.100.1\nerr\n");
    EXPECT_EQ(outcome.summary(),
              "Command ended with exit status 0: args=ip 203.0.113.7,x203.0.113.7y | env=203.0.113.7,198.51.100.1 | err");
}

TEST(CommandHook, FailingStatusUnstartableProgramAndSignalAreReported)
{
    const CommandOutcome failing = runCommand({{"/bin/sh", "-c", "echo no route; exit 3"}, {}, std::chrono::seconds(10)});
    EXPECT_FALSE(failing.succeeded());
    EXPECT_EQ(failing.exitStatus, 3);
    EXPECT_EQ(failing.summary(), "Command ended with exit status 3: no route");

    const CommandOutcome missing = runCommand({{"/nonexistent/kestrune-hook"}, {}, std::chrono::seconds(10)});
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.summary(), "Command could not be started: /nonexistent/kestrune-hook: No such file or directory");

    const CommandOutcome killed = runCommand({{"/bin/sh", "-c", "kill -TERM $$"}, {}, std::chrono::seconds(10)});
    EXPECT_EQ(killed.signal, SIGTERM);
}

TEST(CommandHook, TimeLimitKillsTheGroupEvenWhenOutputIsClosedOrHandedOn)
{
    const testsupport::TempDir folder("kestrune-hook");
    const std::string marker = folder.File("grandchild-ran");
    for (const std::string& script : std::vector<std::string>{"echo started; exec sleep 30", "exec >/dev/null 2>&1; sleep 30",
                                     "(sleep 2; touch " + marker + ") & echo handed on; sleep 30"}) {
        const auto start = std::chrono::steady_clock::now();
        const CommandOutcome outcome = runCommand({{"/bin/sh", "-c", script}, {}, std::chrono::milliseconds(500)});
        EXPECT_TRUE(outcome.timedOut) << script;
        EXPECT_FALSE(outcome.succeeded());
        EXPECT_LT(testsupport::MillisecondsSince(start), 5000) << script;
    }
    // The grandchild that held the output went with the group.
    const CommandOutcome later = runCommand({{"/bin/sleep", "3"}, {}, std::chrono::seconds(10)});
    EXPECT_TRUE(later.succeeded());
    EXPECT_FALSE(std::filesystem::exists(marker));
}

// A background child may hold the output long after the command ended: the command's own end and status count.
TEST(CommandHook, ACommandIsJudgedByItsOwnExitWhateverItsChildrenHold)
{
    for (const std::string status : {"0", "3"}) {
        const auto start = std::chrono::steady_clock::now();
        const CommandOutcome outcome = runCommand({{"/bin/sh", "-c", "sleep 3 & echo handed on; exit " + status}, {}, std::chrono::seconds(20)});
        EXPECT_EQ(outcome.summary(), "Command ended with exit status " + status + ": handed on");
        EXPECT_LT(testsupport::MillisecondsSince(start), 2000);
    }
}

// The cancel is for good, so it runs in a child process: exits 0 when the command ended at the cancel.
TEST(CommandHook, CancelledWaitEndsTheCommand)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            NetworkWait antiFreeze;
            testsupport::ActOnFirstWait hook;
            hook.during = [] { NetworkWait::cancelAllWaits(); };
            NetworkWait::installHook(&hook);
            const auto start = std::chrono::steady_clock::now();
            int code = 3;
            try {
                runCommand({{"/bin/sleep", "30"}, {}, std::chrono::seconds(60)});
            } catch (const CancelledError&) {
                code = testsupport::MillisecondsSince(start) < 5000 ? 0 : 4;
            }
            _exit(code);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
