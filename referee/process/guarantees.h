// What the referee promises about its players (sandboxed, no system calls
// that change the machine, no namespaces of their own, ...) and which of
// those promises cannot be kept on this machine, with why: said in one
// line at start, and the reason --sandbox on refuses to play.
#pragma once

#include <string>
#include <vector>

namespace referee {

class Guarantees {
  public:
    // `what` is the missing guarantee as the line names it ("no sandbox"),
    // `why` the reason, where there is more to say than `what`.
    void lack(std::string what, std::string why);
    bool complete() const { return missing_.empty(); }
    // "no sandbox (bwrap ... was not found in PATH); ..."
    std::string missing_text() const;

  private:
    struct Missing {
        std::string what;
        std::string why;
    };
    std::vector<Missing> missing_;
};

}  // namespace referee
