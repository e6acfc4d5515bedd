#include "platform/standard_streams.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace fapkalk {

namespace {
bool closedAtStart[3] = {false, false, false};
} // namespace

void SecureProcessEdges() noexcept {
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        closedAtStart[fd] = true;
        // The lowest free descriptor is fd itself, as the ones below are open.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

bool StandardStreamWasClosed(int fd) noexcept {
    return fd >= 0 && fd < 3 && closedAtStart[fd];
}

} // namespace fapkalk
