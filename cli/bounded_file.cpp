#include "cli/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cli {
namespace {

// Closes the descriptor however the read ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

std::variant<std::string, TextProblem> read_text_file(const std::string& path,
                                                      const TextLimits& limits) {
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        return TextProblem{0, std::string("cannot read: ") + std::strerror(errno)};
    struct stat info {};
    if (::fstat(file.fd, &info) == 0 && S_ISDIR(info.st_mode))
        return TextProblem{0, "cannot read: it is a directory"};
    std::string text;
    int line = 1;
    std::size_t line_length = 0;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return TextProblem{line, std::string("cannot read: ") + std::strerror(errno)};
        if (got == 0)
            return text;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                ++line;
                line_length = 0;
            } else if (++line_length > limits.max_line) {
                return TextProblem{line, "line longer than " + std::to_string(limits.max_line) +
                                             " bytes, more than any record holds"};
            }
        }
        if (text.size() + static_cast<std::size_t>(got) > limits.max_bytes) {
            return TextProblem{line, "the file is larger than " +
                                         std::to_string(limits.max_bytes >> 20U) +
                                         " MiB, the most this program reads"};
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string describe(const std::string& path, const TextProblem& problem) {
    return path + (problem.line > 0 ? ":" + std::to_string(problem.line) : std::string()) + ": " +
           problem.why;
}

}  // namespace cli
