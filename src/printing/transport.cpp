#include "printing/transport.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace tablora::printing {
namespace {

constexpr int kWaitMs = 3000;

// Writes everything, waiting at most kWaitMs each time the other end stops taking bytes.
bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, kWaitMs) <= 0) return false;
            continue;
        }
        return false;
    }
    return true;
}

bool splitHostPort(std::string_view rest, std::string& host, std::string& port) {
    const size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == rest.size()) return false;
    host = std::string(rest.substr(0, colon));
    port = std::string(rest.substr(colon + 1));
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return port.find_first_not_of("0123456789") == std::string::npos;
}

bool sendTcp(std::string_view rest, const std::string& bytes) {
    std::string host, port;
    if (!splitHostPort(rest, host, port)) return false;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return false;
    bool sent = false;
    for (addrinfo* a = found; a && !sent; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        bool connected = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
        if (!connected && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int error = 0;
            socklen_t size = sizeof error;
            connected = ::poll(&p, 1, kWaitMs) == 1 &&
                        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        }
        if (connected && writeAll(fd, bytes) && ::shutdown(fd, SHUT_WR) == 0) {
            // A receipt printer reads to the end of the job and then closes its side. One busy
            // for longer still has the job once its end acknowledged every byte: the ticket
            // prints, and sending it again would print it twice. Bytes it never took (jammed)
            // are a failed job.
            pollfd p{fd, POLLIN, 0};
            char drain[256];
            ssize_t n = 1;
            while (n > 0 && ::poll(&p, 1, kWaitMs) == 1) n = ::read(fd, drain, sizeof drain);
            int unacknowledged = -1;
            sent = n == 0 || (::ioctl(fd, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0);
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return sent;
}

bool sendFile(const std::string& path, const std::string& bytes) {
    // A device that is not there is not created as a file; a plain file is appended to.
    const bool device = path.rfind("/dev/", 0) == 0;
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC | (device ? 0 : O_CREAT), 0644);
    if (fd < 0) return false;
    const bool written = writeAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

// Raw bytes through a CUPS queue: the local server passes them to the printer untouched.
bool sendCups(const std::string& queue, const std::string& bytes) {
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kWaitMs, nullptr);
    if (!http) return false;
    const int job = cupsCreateJob(http, queue.c_str(), "Tablora", 0, nullptr);
    const bool sent =
        job > 0 &&
        cupsStartDocument(http, queue.c_str(), job, "ticket", CUPS_FORMAT_RAW, 1) ==
            HTTP_STATUS_CONTINUE &&
        cupsWriteRequestData(http, bytes.data(), bytes.size()) == HTTP_STATUS_CONTINUE &&
        cupsFinishDocument(http, queue.c_str()) == IPP_STATUS_OK;
    if (!sent && job > 0) cupsCancelJob2(http, queue.c_str(), job, 0);
    httpClose(http);
    return sent;
}

}  // namespace

bool isKnownConnection(const std::string& connection) {
    std::string host, port;
    if (connection.rfind("tcp://", 0) == 0)
        return splitHostPort(std::string_view(connection).substr(6), host, port) &&
               port.size() <= 5 && std::stoi(port) >= 1 && std::stoi(port) <= 65535;
    if (connection.rfind("system:", 0) == 0) return connection.size() > 7;
    if (connection.rfind("cups:", 0) == 0) return connection.size() > 5;
    return connection.rfind("file:", 0) == 0 && connection.size() > 5;
}

std::string connectionFile(const std::string& connection) {
    if (connection.rfind("file:", 0) == 0) return connection.substr(5);
    if (connection.rfind("system:pdf:", 0) == 0) return connection.substr(11);
    return {};
}

bool sendToPrinter(const std::string& connection, const std::string& bytes) {
    if (!isKnownConnection(connection) || connection.rfind("system:", 0) == 0) return false;
    if (connection.rfind("tcp://", 0) == 0)
        return sendTcp(std::string_view(connection).substr(6), bytes);
    if (connection.rfind("cups:", 0) == 0) return sendCups(connection.substr(5), bytes);
    return sendFile(connection.substr(5), bytes);
}

}  // namespace tablora::printing
