#include "cli/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cli {
TextLines::TextLines(const std::string& path, const TextLimits& limits)
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), limits_(limits) {
    if (fd_ < 0) {
        problem_ = TextProblem{0, std::string("cannot read: ") + std::strerror(errno)};
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode))
        problem_ = TextProblem{0, "cannot read: it is a directory"};
}

TextLines::~TextLines() {
    if (fd_ >= 0)
        ::close(fd_);
}

// Reads the next chunk onto the buffer; false at the end or on a problem.
bool TextLines::fill() {
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem_ = TextProblem{line_ + 1, std::string("cannot read: ") + std::strerror(errno)};
            return false;
        }
        if (got == 0) {
            end_ = true;
            return false;
        }
        total_ += static_cast<std::size_t>(got);
        if (total_ > limits_.max_bytes) {
            problem_ = TextProblem{line_ + 1, "the file is larger than " +
                                                  std::to_string(limits_.max_bytes >> 20U) +
                                                  " MiB, the most this program reads"};
            return false;
        }
        newline_at_end_ = chunk[got - 1] == '\n';
        buffer_.append(chunk, static_cast<std::size_t>(got));
        return true;
    }
}

std::optional<std::string_view> TextLines::next() {
    if (problem_)
        return std::nullopt;
    std::size_t searched = start_;
    for (;;) {
        const auto newline = buffer_.find('\n', searched);
        const std::size_t length =
            (newline == std::string::npos ? buffer_.size() : newline) - start_;
        if (length > limits_.max_line) {
            problem_ =
                TextProblem{line_ + 1, "line longer than " + std::to_string(limits_.max_line) +
                                           " bytes, more than any record holds"};
            return std::nullopt;
        }
        if (newline != std::string::npos) {
            const std::string_view line(buffer_.data() + start_, length);
            start_ = newline + 1;
            ++line_;
            return line;
        }
        // fill() moves what is left to the front of the buffer.
        searched = buffer_.size() - start_;
        if (!end_ && fill())
            continue;
        if (problem_ || start_ == buffer_.size())
            return std::nullopt;
        // The last line, without a newline.
        const std::string_view line(buffer_.data() + start_, buffer_.size() - start_);
        start_ = buffer_.size();
        ++line_;
        return line;
    }
}

std::variant<std::string, TextProblem> read_text_file(const std::string& path,
                                                      const TextLimits& limits) {
    TextLines lines(path, limits);
    std::string text;
    bool first = true;
    while (const auto line = lines.next()) {
        if (!first)
            text += '\n';
        text += *line;
        first = false;
    }
    if (lines.problem())
        return *lines.problem();
    if (lines.ended_with_newline())
        text += '\n';
    return text;
}

std::string describe(const std::string& path, const TextProblem& problem) {
    return path + (problem.line > 0 ? ":" + std::to_string(problem.line) : std::string()) + ": " +
           problem.why;
}

}  // namespace cli
