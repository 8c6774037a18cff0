// The fixture of the tests that play the referee against fake players: a
// scratch folder per test, fake player commands that leave their pids there,
// and a quiet game held to the basic checks only, since the fake player
// shuffles a soldier back and forth, which no reading of the rules allows.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "referee/seats/seating.h"
#include "run_referee.h"

namespace referee_test {

// Whether the referee's default, --sandbox auto, puts players in a sandbox
// on this machine. A sandboxed player's pid is its own namespace's: from
// outside, only the marks on its command line find it.
inline bool sandbox_works() {
    static const bool works = [] {
        referee::Confinement confinement;
        std::ostringstream ignored;
        referee::settle_sandbox(referee::SandboxMode::Auto, referee::GameConfig{}, confinement, {},
                                ignored);
        return confinement.sandbox.enabled;
    }();
    return works;
}

// The --sandbox word for a case played in the sandbox ("on") or out of it:
// "auto" rather than "on", which refuses to play wherever a bound of the
// players' control groups is missing, as for an ordinary user; a case in
// the sandbox is skipped where bwrap does not work.
inline const char* sandbox_word(const std::string& mode) {
    return mode == "on" ? "auto" : "off";
}

class FakeGame : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = scratch_dir(info->name());
        out_ = scratch_dir(std::string(info->name()) + "_out");
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        std::filesystem::remove_all(out_);
    }

    // A fake player whose pid lands in <dir>/<name>.pid; with `family`, every
    // process it starts appends its pid to family().
    std::string fake(const std::string& name, std::vector<std::string> args = {},
                     bool family = false) {
        args.insert(args.end(), {"--pidfile", dir_ + "/" + name + ".pid"});
        if (family)
            args.insert(args.end(), {"--family", this->family()});
        return command(fake_player_, args);
    }
    std::string family() const { return dir_ + "/family.txt"; }

    // The players may write their pid files in the scratch folder, even in
    // the sandbox.
    RefereeRun play(const std::string& black, const std::string& white,
                    std::vector<std::string> options = {}, const char* rules = "squares",
                    test_support::RunOptions run = {}) {
        options.insert(options.end(),
                       {"--quiet", "--player-dir", dir_, "--rules", rules, black, white});
        return run_referee(REFEREE, options, std::move(run));
    }

    std::string fake_player_ = FAKE_PLAYER;  // a copy where the test's users need one
    std::string dir_;                        // where the players may write
    std::string out_;                        // where the referee writes, which players do not see
};

}  // namespace referee_test
