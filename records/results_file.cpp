#include "records/results_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace records {
namespace {

bool file_ends_mid_line(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size == 0)
        return false;
    char last = '\n';
    return ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n';
}

}  // namespace

ResultsFile::~ResultsFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<std::string> ResultsFile::open(const std::string& path) {
    path_ = path;
    // Lines written into a FIFO or a device are lost to --merge, and opening
    // one could wait for ever: only a file can hold results.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return "the results file " + path + " is not a regular file";
    // Read access too: append() looks at the last byte for a torn line.
    fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return "cannot open the results file " + path + ": " + std::strerror(errno);
    return std::nullopt;
}

std::optional<std::string> ResultsFile::append(const std::string& line) {
    // A run that crashed mid-line left a fragment at the end; starting a new
    // line keeps this game from being glued to it and lost. (Two appenders
    // that both see the fragment add an empty line, which readers skip.)
    const std::string text = file_ends_mid_line(fd_) ? "\n" + line : line;
    ssize_t written = 0;
    do {
        written = ::write(fd_, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0)
        return "writing the results file " + path_ + " failed: " + std::strerror(errno);
    // Finishing a short write with a second write() could put another
    // process's line in the middle of this one; the reader reports the torn
    // line instead.
    if (static_cast<std::size_t>(written) != text.size())
        return "writing the results file " + path_ + " stopped short (disk full?)";
    return std::nullopt;
}

}  // namespace records
