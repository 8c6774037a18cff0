#include "files/same_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace files {
namespace {

namespace fs = std::filesystem;

// Where a path leads once every symbolic link is followed, also one that
// points nowhere: its target, resolved in turn. Loops stop after as many
// links as the kernel follows.
fs::path resolved(const std::string& given) {
    constexpr int kMaxLinks = 40;
    std::error_code error;
    fs::path path = fs::absolute(given, error).lexically_normal();
    for (int links = 0; links < kMaxLinks; ++links) {
        // The folder part first, so a link's relative target is read from
        // where the link really is.
        const fs::path parent = fs::weakly_canonical(path.parent_path(), error);
        if (!error)
            path = parent / path.filename();
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            break;
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = (target.is_absolute() ? target : path.parent_path() / target).lexically_normal();
    }
    return path;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    struct stat first {};
    struct stat second {};
    const bool a_exists = ::stat(a.c_str(), &first) == 0;
    const bool b_exists = ::stat(b.c_str(), &second) == 0;
    if (a_exists && b_exists)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return resolved(a) == resolved(b);
}

}  // namespace files
