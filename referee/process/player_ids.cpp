#include "referee/process/player_ids.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "referee/common/fd.h"

namespace referee {

std::optional<IdRange> parse_id_range(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos)
        return std::nullopt;
    IdRange range;
    const char* end = text.data() + text.size();
    const auto first = std::from_chars(text.data(), text.data() + dash, range.first);
    const auto last = std::from_chars(text.data() + dash + 1, end, range.last);
    if (first.ec != std::errc() || first.ptr != text.data() + dash || last.ec != std::errc() ||
        last.ptr != end || range.first == 0 || range.first > range.last ||
        range.last == static_cast<uid_t>(-1))
        return std::nullopt;
    return range;
}

PlayerIds& PlayerIds::instance() {
    static PlayerIds ids;
    return ids;
}

void PlayerIds::set_range(IdRange range) {
    const std::lock_guard lock(mutex_);
    range_ = range;
    given_.clear();
}

std::optional<uid_t> PlayerIds::id_for(const std::vector<std::string>& command) {
    const std::lock_guard lock(mutex_);
    for (const auto& [known, id] : given_) {
        if (known == command)
            return id;
    }
    if (given_.size() > static_cast<std::size_t>(range_.last - range_.first))
        return std::nullopt;
    const uid_t id = range_.first + static_cast<uid_t>(given_.size());
    given_.emplace_back(command, id);
    return id;
}

bool drop_to(uid_t id) {
    return ::setgroups(0, nullptr) == 0 && ::setresgid(id, id, id) == 0 &&
           ::setresuid(id, id, id) == 0;
}

namespace {

// The paths to try, in order, and how.
enum class Try { Read, List, Write, Run };
struct Attempt {
    const char* path;
    Try how;
};

std::vector<Attempt> attempts(const PlayerAccess& access) {
    std::vector<Attempt> out;
    const auto add = [&](const std::string& path, Try how) { out.push_back({path.c_str(), how}); };
    for (const auto& file : access.files)
        add(file, Try::Read);
    for (const auto& folder : access.folders)
        add(folder, Try::List);
    for (const auto& folder : access.writable)
        add(folder, Try::Write);
    add(access.program, Try::Run);
    return out;
}

// Async-signal-safe: errno of the first attempt that fails, or 0.
int attempt(const Attempt& a) {
    const char* path = a.path;
    if (a.how == Try::Write || a.how == Try::Run)
        return ::access(path, a.how == Try::Write ? W_OK | X_OK : X_OK) == 0 ? 0 : errno;
    const int fd = ::open(path, a.how == Try::List ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

}  // namespace

IdRange PlayerIds::range() {
    const std::lock_guard lock(mutex_);
    return range_;
}

std::string check_as(uid_t id, const PlayerAccess& access) {
    const std::vector<Attempt> tries = attempts(access);
    Reveal reveal = access.reveal;
    Pipe report;
    try {
        report = Pipe::open();
    } catch (const std::exception& failure) {
        return failure.what();
    }
    // What failed: its index (-1: becoming `id`) and errno. access() asks
    // as the real ids, which are `id` here.
    const pid_t pid = ::fork();
    if (pid == 0) {
        int failed[2] = {-1, 0};
        if (const int error = enter_reveal(reveal); error != 0)
            failed[1] = error;
        else if (!drop_to(id))
            failed[1] = errno;
        for (std::size_t i = 0; i < tries.size() && failed[1] == 0; ++i) {
            failed[0] = static_cast<int>(i);
            failed[1] = attempt(tries[i]);
        }
        [[maybe_unused]] const ssize_t ignored = ::write(report.write.get(), failed, sizeof failed);
        ::_exit(0);
    }
    report.write.reset();
    if (pid < 0)
        return std::string("fork failed: ") + std::strerror(errno);
    int failed[2] = {-1, 0};
    ssize_t got = 0;
    do {
        got = ::read(report.read.get(), failed, sizeof failed);
    } while (got < 0 && errno == EINTR);
    // The orphan reaper may have reaped it first: then there is nothing to
    // wait for.
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string as = " (as user id " + std::to_string(id) + ")";
    if (got != static_cast<ssize_t>(sizeof failed))
        return "the check" + as + " failed";
    if (failed[1] == 0)
        return {};
    const std::string what =
        failed[0] < 0 ? "cannot change to it" : tries[static_cast<std::size_t>(failed[0])].path;
    const char* verb[] = {"", ": cannot list", ": cannot write in", ": cannot run"};
    const Try how = failed[0] < 0 ? Try::Read : tries[static_cast<std::size_t>(failed[0])].how;
    return what + verb[static_cast<int>(how)] + ": " + std::strerror(failed[1]) + as;
}

}  // namespace referee
