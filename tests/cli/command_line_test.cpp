// cli::parse and cli::run_main: help on standard output with status 0, one
// line and status 2 for what the parser refuses or an escaped exception.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "cli/command_line.h"

namespace {

int parse(const std::vector<const char*>& argv, std::string& out, std::string& err) {
    CLI::App app{"Counts to N.", "counter"};
    int number = 0;
    app.add_option("N", number, "how far")->required();
    std::ostringstream o;
    std::ostringstream e;
    const auto status = cli::parse(app, static_cast<int>(argv.size()), argv.data(), o, e);
    out = o.str();
    err = e.str();
    return status.value_or(-1);
}

TEST(CommandLine, HelpUsageErrorsAndGoingOn) {
    std::string out;
    std::string err;
    EXPECT_EQ(parse({"counter", "--help"}, out, err), 0);
    EXPECT_NE(out.find("Usage: counter"), std::string::npos) << out;
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(err, "");

    EXPECT_EQ(parse({"counter", "x", "y"}, out, err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.rfind("counter: ", 0), 0u) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    EXPECT_NE(err.find("(--help for usage)"), std::string::npos) << err;

    EXPECT_EQ(parse({"counter", "3"}, out, err), -1);
    EXPECT_EQ(out + err, "");
}

// run_main hands the program the real streams and passes its status on; an
// exception that escapes becomes one line on standard error and status 2.
TEST(CommandLine, MainWrapperPassesStatusAndCatchesExceptions) {
    const char* argv[] = {"prog", "a"};
    std::ostringstream captured;
    std::streambuf* const saved = std::cerr.rdbuf(captured.rdbuf());
    const int passed =
        cli::run_main("prog", 2, argv,
                      [](int argc, const char* const* words, std::ostream& out, std::ostream& err) {
                          return &out == &std::cout && &err == &std::cerr && argc == 2 &&
                                         std::string(words[1]) == "a"
                                     ? 7
                                     : 1;
                      });
    const int thrown = cli::run_main(
        "prog", 2, argv, [](int, const char* const*, std::ostream&, std::ostream&) -> int {
            throw std::runtime_error("cannot open x");
        });
    std::cerr.rdbuf(saved);
    EXPECT_EQ(passed, 7);
    EXPECT_EQ(thrown, 2);
    EXPECT_EQ(captured.str(), "prog: cannot open x\n");
}

}  // namespace
