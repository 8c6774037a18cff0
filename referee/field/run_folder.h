// Where a field run builds and runs the submissions it may not change: a
// copy of each, made afresh for every run (a resumed run builds again), as
// a judge copies a submission into its box. Beside the results file, so
// that the builds can be looked at after the run, or in a temporary folder
// that goes with the run.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace referee {

class RunFolder {
  public:
    RunFolder() = default;
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    // Removes a temporary folder with everything in it.
    ~RunFolder();

    // `path`, made when missing and emptied of a former run's copies, or a
    // new temporary folder when `path` is empty; `shared`: players under
    // ids of their own must reach their copies in it. An error message
    // when it cannot be had, or when `path` is a folder no field run made:
    // nothing in it is touched then.
    std::optional<std::string> open(const std::string& path, bool shared);

    // Copies the folder `from` in as `name` (see copy_of): folders, files
    // and symbolic links as they are, never what a link points to, and
    // nothing else (no devices, no pipes); each copy the owner's to write,
    // and owned by `owner` when given. An error message when it fails.
    std::optional<std::string> copy(const std::string& from, const std::string& name,
                                    std::optional<uid_t> owner) const;
    std::string copy_of(const std::string& name) const { return path_ + "/" + name; }

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    bool temporary_ = false;
};

}  // namespace referee
