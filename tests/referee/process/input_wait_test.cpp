// A player blocked reading its input, with nothing else of it at work, is
// told apart from one that works, sleeps on a timer, or reads elsewhere.
#include "referee/process/input_wait.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include "referee/common/clock.h"
#include "referee/process/child_process.h"
#include "referee/process/player_group.h"

namespace {

using referee::InputState;

class InputWait : public ::testing::Test {
  protected:
    void start(const std::string& script) {
        tag_ = referee::new_game_tag();
        child_ = std::make_unique<referee::ChildProcess>(
            referee::Launch{{"sh", "-c", script}, tag_, referee::Confinement{}, std::nullopt});
        started_after_ = referee::start_ticks(child_->pid());
    }
    std::vector<pid_t> processes() const {
        std::vector<pid_t> pids;
        for (const auto& p : referee::find_game_processes({child_->pid()}, tag_, started_after_)) {
            if (!p.zombie)
                pids.push_back(p.pid);
        }
        return pids;
    }
    InputState look() const {
        return referee::look_at_input(processes(), child_->input_fd()).state;
    }
    // Looks every 20 ms until `wanted`, for a few seconds at most; how many
    // looks found something else first.
    int looks_until(InputState wanted) const {
        const auto deadline = referee::Clock::now() + std::chrono::seconds(10);
        int others = 0;
        while (look() != wanted) {
            if (referee::Clock::now() > deadline)
                return -1;
            ++others;
            ::poll(nullptr, 0, 20);
        }
        return others;
    }
    // The processes other than the one running `sh -c`'s last command.
    void end_helpers() const {
        for (const pid_t pid : processes()) {
            if (pid != child_->pid())
                ::kill(pid, SIGKILL);
        }
    }

    std::string tag_;
    std::unique_ptr<referee::ChildProcess> child_;
    unsigned long long started_after_ = 0;
};

TEST_F(InputWait, AReaderWithNothingToReadIsWaitingAndTwoLooksConfirmIt) {
    start("exec cat");
    ASSERT_GE(looks_until(InputState::Waiting), 0);
    referee::InputWatch watch;
    EXPECT_EQ(watch.look(processes(), child_->input_fd()), false);  // one look is not enough
    EXPECT_EQ(watch.look(processes(), child_->input_fd()), true);
    watch.reset();
    EXPECT_EQ(watch.look(processes(), child_->input_fd()), false);
    // A reader through a pipeline of its own waits on our pipe all the same.
    start("cat | cat");
    EXPECT_GE(looks_until(InputState::Waiting), 0);
}

// Each helper keeps the player from waiting while it lives; once it is
// gone the reader is seen waiting, so the reader was there all along. The
// watch decides, as in a game: on a loaded machine one look may catch the
// working helper off the processor in the kernel, but its CPU time moves on.
TEST_F(InputWait, WorkOrATimedSleepBesideTheReaderIsNotWaiting) {
    for (const char* helper : {"while :; do :; done", "sleep 60"}) {
        SCOPED_TRACE(helper);
        start(std::string(helper) + " & exec cat");
        referee::InputWatch watch;
        for (int i = 0; i < 10; ++i) {
            EXPECT_NE(watch.look(processes(), child_->input_fd()), true);
            ::poll(nullptr, 0, 20);
        }
        end_helpers();
        EXPECT_GE(looks_until(InputState::Waiting), 0);
    }
}

TEST_F(InputWait, AThreadAtWorkWhileAnotherReadsIsNotWaiting) {
    // About a second of work in a second thread while the first reads.
    start(
        "exec python3 -c 'import sys, threading\n"
        "threading.Thread(target=lambda: sum(range(30000000))).start()\n"
        "sys.stdin.readline()'");
    EXPECT_GE(looks_until(InputState::Waiting), 8);
}

TEST_F(InputWait, ReadingAnotherPipeOrNothingToLookAtIsNoWaitForInput) {
    start("exec python3 -c 'import os; r, w = os.pipe(); os.read(r, 1)'");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(look(), InputState::Busy);
        ::poll(nullptr, 0, 20);
    }
    EXPECT_EQ(referee::look_at_input({}, child_->input_fd()).state, InputState::Unknown);
    EXPECT_EQ(referee::look_at_input(processes(), -1).state, InputState::Unknown);
    child_->close_input();
}

}  // namespace
