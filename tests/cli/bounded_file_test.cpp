// cli::TextLines and read_text_file: every line handed out as written,
// across the reads' chunk boundaries, and the first line over the bound or
// the byte over the size refused with its line number.
#include "cli/bounded_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string scratch(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("bounded_file_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

std::vector<std::string> lines_of(const std::string& path, const cli::TextLimits& limits) {
    std::vector<std::string> lines;
    cli::TextLines reader(path, limits);
    while (const auto line = reader.next())
        lines.emplace_back(*line);
    return lines;
}

TEST(BoundedFile, LinesComeBackWholeAcrossChunksAndTheFileReadsBackExactly) {
    // Lines of every length around the 64 KiB a read takes, blank ones, and
    // the last with and without its newline.
    std::vector<std::string> lines;
    for (const std::size_t length : {0UL, 1UL, 65535UL, 65536UL, 0UL, 65537UL, 3UL, 131071UL})
        lines.push_back(std::string(length, static_cast<char>('a' + lines.size())));
    const cli::TextLimits limits{std::size_t{1} << 20U, 131071};
    for (const bool newline_at_end : {true, false}) {
        std::string text;
        for (std::size_t i = 0; i < lines.size(); ++i)
            text += lines[i] + (i + 1 < lines.size() || newline_at_end ? "\n" : "");
        const std::string path = scratch(text);
        EXPECT_EQ(lines_of(path, limits), lines) << newline_at_end;
        const auto whole = cli::read_text_file(path, limits);
        ASSERT_TRUE(std::holds_alternative<std::string>(whole));
        EXPECT_EQ(std::get<std::string>(whole), text);
        std::filesystem::remove(path);
    }
    const std::string empty = scratch("");
    EXPECT_TRUE(lines_of(empty, limits).empty());
    std::filesystem::remove(empty);
}

TEST(BoundedFile, TheFirstLineOverTheBoundAndTheByteOverTheSizeAreRefused) {
    const cli::TextLimits limits{200'000, 100};
    const std::string path =
        scratch("ok\n" + std::string(100, 'x') + "\n" + std::string(101, 'y') + "\nnever\n");
    cli::TextLines reader(path, limits);
    EXPECT_EQ(reader.next(), "ok");
    EXPECT_EQ(reader.next(), std::string(100, 'x'));
    EXPECT_FALSE(reader.next());
    ASSERT_TRUE(reader.problem());
    EXPECT_EQ(cli::describe("f", *reader.problem()),
              "f:3: line longer than 100 bytes, more than any record holds");
    EXPECT_FALSE(reader.next());

    std::string many;
    for (int i = 0; i < 10'000; ++i)
        many += std::string(50, 'z') + '\n';  // 510,000 bytes
    std::ofstream(path, std::ios::binary) << many;
    const auto whole = cli::read_text_file(path, limits);
    ASSERT_TRUE(std::holds_alternative<cli::TextProblem>(whole));
    const auto& problem = std::get<cli::TextProblem>(whole);
    EXPECT_NE(problem.why.find("the file is larger than"), std::string::npos);
    EXPECT_LE(problem.line, 200'000 / 51 + 1);
    std::filesystem::remove(path);

    const auto missing = cli::read_text_file(path + ".none");
    ASSERT_TRUE(std::holds_alternative<cli::TextProblem>(missing));
    EXPECT_EQ(std::get<cli::TextProblem>(missing).line, 0);
}

}  // namespace
