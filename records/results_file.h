// A results file opened for appending game lines (records/results.h).
#pragma once

#include <optional>
#include <string>

namespace records {

// Every line goes out in one write() on a descriptor opened with O_APPEND,
// so lines from several processes appending at once land whole and never
// inside each other (on a local file system; over NFS give each process its
// own file and merge them).
class ResultsFile {
  public:
    ResultsFile() = default;
    ResultsFile(const ResultsFile&) = delete;
    ResultsFile& operator=(const ResultsFile&) = delete;
    ~ResultsFile();

    // An error message, or nullopt when the file is open.
    std::optional<std::string> open(const std::string& path);
    // An error message, or nullopt when the whole line was written.
    std::optional<std::string> append(const std::string& line);

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace records
