#include "referee/field/run_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace referee {
namespace {

namespace fs = std::filesystem;

// Tells a folder this class made from any other: only such a folder is
// ever emptied.
constexpr const char* kMark = ".field-run";

// A build may leave folders it cannot write; they must still go.
void make_removable(const fs::path& root) {
    std::error_code error;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
}

void remove_everything_in(const fs::path& folder, bool keep_mark) {
    std::error_code error;
    make_removable(folder);
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (keep_mark && entry.path().filename() == kMark)
            continue;
        fs::remove_all(entry.path(), error);
    }
}

std::string failed(const std::string& what, const std::error_code& error) {
    return what + ": " + error.message();
}

}  // namespace

RunFolder::~RunFolder() {
    if (!temporary_)
        return;
    remove_everything_in(path_, false);
    std::error_code error;
    fs::remove(path_, error);
}

std::optional<std::string> RunFolder::open(const std::string& path, bool shared) {
    std::error_code error;
    if (path.empty()) {
        std::string pattern = (fs::temp_directory_path(error) / "referee-field-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return "cannot make a temporary folder for the submissions' copies: " +
                   std::string(std::strerror(errno));
        path_ = pattern;
        temporary_ = true;
    } else {
        path_ = fs::absolute(path, error).lexically_normal().string();
        if (fs::exists(path_, error)) {
            if (!fs::exists(fs::path(path_) / kMark, error))
                return path_ + " is there already and holds no field run's copies: move it away";
            remove_everything_in(path_, true);
        } else if (!fs::create_directory(path_, error)) {
            return failed("cannot make " + path_, error);
        }
    }
    // Each player's copy is its own; the folder around them only leads there.
    ::chmod(path_.c_str(), shared ? 0711 : 0700);
    if (!fs::exists(fs::path(path_) / kMark, error)) {
        const int fd = ::open((path_ + "/" + kMark).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return "cannot write in " + path_ + ": " + std::strerror(errno);
        ::close(fd);
    }
    return std::nullopt;
}

std::optional<std::string> RunFolder::copy(const std::string& from, const std::string& name,
                                           std::optional<uid_t> owner) const {
    const fs::path to = copy_of(name);
    std::error_code error;
    std::vector<fs::path> made{to};
    fs::create_directory(to, error);
    if (error)
        return failed("cannot make " + to.string(), error);
    fs::permissions(to, fs::status(from, error).permissions() | fs::perms::owner_all, error);
    for (auto it = fs::recursive_directory_iterator(from, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        // Lexically: relative() would follow a link out of the submission.
        const fs::path target = to / it->path().lexically_relative(from);
        const fs::file_status status = it->symlink_status(error);
        if (error)
            break;
        if (fs::is_symlink(status)) {
            fs::copy_symlink(it->path(), target, error);
        } else if (fs::is_directory(status)) {
            fs::create_directory(target, error);
            if (!error)
                fs::permissions(target, status.permissions() | fs::perms::owner_all, error);
        } else if (fs::is_regular_file(status)) {
            fs::copy_file(it->path(), target, error);
            if (!error)
                fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                                fs::perm_options::add, error);
        } else {
            continue;
        }
        if (error)
            return failed("cannot copy " + it->path().string(), error);
        made.push_back(target);
    }
    if (error)
        return failed("cannot copy " + from, error);
    if (owner) {
        for (const auto& path : made) {
            if (::lchown(path.c_str(), *owner, *owner) != 0)
                return "cannot hand " + path.string() + " to user id " + std::to_string(*owner) +
                       ": " + std::strerror(errno);
        }
    }
    return std::nullopt;
}

}  // namespace referee
