// The files a run writes: never one of its inputs or another of its
// outputs, under whatever spelling, and never emptied before there is
// something to put in them.
#pragma once

#include <optional>
#include <string>

namespace referee {

// A file written through a descriptor that never blocks the referee for
// ever: opening a FIFO without a reader waits until one comes or until a
// signal stops the referee (see interrupt.h), and so does a write that
// waits for a reader to make room. The file is emptied by the first write,
// not by open(): a run that writes nothing leaves it as it was. (Results
// files, which are appended to, are records::ResultsFile.)
class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // An error message, or nullopt once the file is open. When a signal
    // stopped the wait for a FIFO's reader the message says so and
    // interrupt_signal() is not 0.
    std::optional<std::string> open(const std::string& path);
    bool is_open() const { return fd_ >= 0; }
    // The whole text, or an error message. A write that is cut short by a
    // signal reports the interruption.
    std::optional<std::string> write(std::string_view text);
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
    bool pending_replace_ = false;
    bool regular_ = false;
};

}  // namespace referee
