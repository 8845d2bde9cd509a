// Two real copies of the real program: the second is refused, says so, asks the first to
// come forward and ends with 0.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "shell/instance_guard.h"
#include "support/scripted_desktop.h"
#include "support/temp_db.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

const std::string kSuffix = "-test-" + std::to_string(::getpid());

pid_t spawnCopy(const std::string& exe, const std::string& errFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "TABLORA_UNATTENDED_MS=100",
                                    "TABLORA_INSTANCE_SUFFIX=" + kSuffix, "HOME=/tmp"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = exe;
    char* argv[] = {path.data(), nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit code, or -1 when it did not end in time.
int waitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

bool markerHeld() {
    tablora::shell::InstanceGuard probe(std::string(tablora::shell::InstanceGuard::kIdentifier) +
                                        kSuffix);
    return !probe.claim();
}

std::string slurp(const std::string& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(InstanceGuard, ASecondCopyUnderAnyNameIsRefusedAndTheFirstComesForward) {
    tablora::test::TempDir dir;
    tablora::test::makeDemoDatabase(dir);
    const std::string first = dir.path("tablora");
    const std::string renamed = dir.path("another-name");
    std::filesystem::copy_file(TABLORA_BIN, first);
    std::filesystem::copy_file(TABLORA_BIN, renamed);

    const pid_t running = spawnCopy(first, dir.path("first.err"));
    for (int i = 0; i < 250 && !markerHeld(); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(markerHeld()) << slurp(dir.path("first.err"));

    const pid_t second = spawnCopy(renamed, dir.path("second.err"));
    const int code = waitFor(second, 15s);
    if (code == -1) ::kill(second, SIGKILL);
    EXPECT_EQ(code, 0);
    const std::string notice = slurp(dir.path("second.err"));
    EXPECT_NE(notice.find("[友情提醒:] 检测到已有同样的程序在运行，请无重复运行！"),
              std::string::npos)
        << notice;
    EXPECT_EQ(notice.find("没有找到数据库文件"), std::string::npos);

    for (int i = 0;
         i < 100 && slurp(dir.path("first.err")).find("brought forward") == std::string::npos; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_NE(slurp(dir.path("first.err")).find("brought forward: LoginWindow"), std::string::npos);

    // However the first copy ends, the marker goes with it.
    ::kill(running, SIGKILL);
    waitFor(running, 5s);
    EXPECT_FALSE(markerHeld());
}

TEST(InstanceGuard, MarkerIsHeldOnlyWhileTheObjectLives) {
    const std::string id = std::string("Tablora—unit") + kSuffix;
    {
        tablora::shell::InstanceGuard a(id);
        ASSERT_TRUE(a.claim());
        tablora::shell::InstanceGuard b(id);
        EXPECT_FALSE(b.claim());
        EXPECT_FALSE(b.askRunningCopyToComeForward(50));  // nobody listens on a desktop here
    }
    tablora::shell::InstanceGuard c(id);
    EXPECT_TRUE(c.claim());
}

TEST(InstanceGuard, ACallerThatSaysNothingNeverHoldsUpTheWindowThread) {
    const std::string name = "Tablora-silent" + kSuffix;
    tablora::shell::InstanceGuard guard(name);
    ASSERT_TRUE(guard.claim());
    tablora::test::ScriptedDesktop desktop;
    int knocks = 0;
    guard.listen(desktop, [&] { ++knocks; });
    ASSERT_EQ(desktop.readables.size(), 1u);

    // A silent caller: connects and says nothing.
    const int silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    ASSERT_EQ(::connect(silent, reinterpret_cast<sockaddr*>(&address), length), 0);
    const auto t0 = std::chrono::steady_clock::now();
    desktop.readables[0].second();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);
    char reply[8] = {};
    EXPECT_GT(::recv(silent, reply, sizeof reply, 0), 0);  // answered and let go at once
    ::close(silent);

    // A second copy's knock is answered at once.
    bool answered = false;
    std::thread second(
        [&] { answered = tablora::shell::InstanceGuard(name).askRunningCopyToComeForward(2000); });
    for (int i = 0; i < 200 && knocks < 2; ++i) {  // the window thread's turns, until it knocks
        std::this_thread::sleep_for(10ms);
        desktop.readables[0].second();
    }
    second.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(knocks, 2);
}
