#include "shell/instance_guard.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ui/desktop.h"

namespace tablora::shell {
namespace {

socklen_t abstractAddress(const std::string& identifier, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    // A leading NUL puts the name in the abstract namespace.
    const size_t length = std::min(identifier.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, identifier.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

}  // namespace

InstanceGuard::InstanceGuard(std::string identifier) : m_identifier(std::move(identifier)) {}

InstanceGuard::~InstanceGuard() {
    if (m_fd >= 0) ::close(m_fd);
}

bool InstanceGuard::claim() {
    if (m_fd >= 0) return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return true;  // no guard can be had: let the program run
    sockaddr_un address;
    const socklen_t length = abstractAddress(m_identifier, address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        const bool taken = errno == EADDRINUSE;
        ::close(fd);
        return !taken;
    }
    ::listen(fd, 8);
    m_fd = fd;
    return true;
}

bool InstanceGuard::askRunningCopyToComeForward(int timeoutMs) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address;
    const socklen_t length = abstractAddress(m_identifier, address);
    bool answered = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::send(fd, "raise\n", 6, MSG_NOSIGNAL) == 6) {
        pollfd p{fd, POLLIN, 0};
        char reply[8];
        answered = ::poll(&p, 1, timeoutMs) == 1 && ::recv(fd, reply, sizeof reply, 0) > 0;
    }
    ::close(fd);
    return answered;
}

void InstanceGuard::listen(ui::Desktop& desktop, std::function<void()> onKnock) {
    if (m_fd < 0) return;
    desktop.watchReadable(m_fd, [this, onKnock = std::move(onKnock)] {
        const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) return;
        // Answered at once, without waiting for the caller to speak: a caller that says nothing
        // must not hold up the window thread.
        char request[16];
        (void)::recv(client, request, sizeof request, MSG_DONTWAIT);
        (void)::send(client, "ok\n", 3, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(client);
        onKnock();
    });
}

}  // namespace tablora::shell
