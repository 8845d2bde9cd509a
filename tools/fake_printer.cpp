// A stand-in for a network receipt printer: listens on a port (9100 unless told), takes each
// job to its end as a printer does, and writes what it would print to standard output, the
// printer's commands left out and its GBK text shown as UTF-8. For trying printing without
// paper: set a printer "tcp://127.0.0.1:9100" in 打印设置.
#include <arpa/inet.h>
#include <iconv.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The text of a job: the receipt printers' commands the program sends taken out.
std::string textOf(const std::string& job) {
    std::string text;
    for (size_t i = 0; i < job.size(); ++i) {
        const auto c = static_cast<unsigned char>(job[i]);
        if (c == 0x1b || c == 0x1c || c == 0x1d) {
            const char command = i + 1 < job.size() ? job[i + 1] : 0;
            // ESC @, FS & take no argument; GS V takes two; the others one.
            const size_t arguments = (command == '@' || command == '&') ? 0
                                     : (c == 0x1d && command == 'V')    ? 2
                                                                        : 1;
            i += 1 + arguments;
            continue;
        }
        text += static_cast<char>(c);
    }
    return text;
}

std::string utf8Of(const std::string& gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return gbk;
    std::string out(gbk.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
        ++in;  // a byte that is no GBK: left out
        --inLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int port = argc > 1 ? std::atoi(argv[1]) : 9100;
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0) {
        std::fprintf(stderr, "无法监听端口 %d\n", port);
        return 1;
    }
    std::printf("模拟打印机：tcp://127.0.0.1:%d\n", port);
    std::fflush(stdout);
    for (int job = 1;; ++job) {
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        std::string bytes;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, static_cast<size_t>(n));
        ::close(fd);
        std::printf("==== 第 %d 张（%zu 字节）====\n%s\n", job, bytes.size(),
                    utf8Of(textOf(bytes)).c_str());
        std::fflush(stdout);
    }
}
