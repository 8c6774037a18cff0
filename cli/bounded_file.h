// Reading a text file whose size nobody vouches for (a record, given on a
// command line, may be /dev/zero): the whole of it, but never more than a
// set number of bytes nor a line longer than a set length.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace cli {

struct TextLimits {
    std::size_t max_bytes = std::size_t{256} << 20U;  // the whole file
    std::size_t max_line = std::size_t{64} << 10U;    // one line, without its newline
};

// Why a file was not read: at `line` (counted from 1), or 0 when no line is
// to blame (it cannot be opened, it is a directory).
struct TextProblem {
    int line = 0;
    std::string why;
};

// The same file line by line, holding one line at a time: what reads it
// keeps only what it wants of it.
class TextLines {
  public:
    explicit TextLines(const std::string& path, const TextLimits& limits = {});
    ~TextLines();
    TextLines(const TextLines&) = delete;
    TextLines& operator=(const TextLines&) = delete;

    // The next line without its newline, valid until the next call; nullopt
    // at the end of the file or when it cannot be read on (see problem()).
    std::optional<std::string_view> next();
    // Why the file stopped being read before its end, if it did.
    const std::optional<TextProblem>& problem() const { return problem_; }
    // Whether the file's last byte read was a newline (an empty file's not).
    bool ended_with_newline() const { return newline_at_end_; }

  private:
    bool fill();

    int fd_ = -1;
    TextLimits limits_;
    std::string buffer_;
    std::size_t start_ = 0;  // of the next line in buffer_
    std::size_t total_ = 0;  // bytes read so far
    int line_ = 0;           // the number of the line last handed out
    bool end_ = false;
    bool newline_at_end_ = false;
    std::optional<TextProblem> problem_;
};

std::variant<std::string, TextProblem> read_text_file(const std::string& path,
                                                      const TextLimits& limits = {});

// "FILE:LINE: why", or "FILE: why" for line 0.
std::string describe(const std::string& path, const TextProblem& problem);

}  // namespace cli
