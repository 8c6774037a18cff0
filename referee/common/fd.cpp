#include "referee/common/fd.h"

#include <fcntl.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace referee {

Pipe Pipe::open() {
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    return Pipe{Fd(fds[0]), Fd(fds[1])};
}

}  // namespace referee
