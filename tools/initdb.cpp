// tablora-initdb: creates a working cysj.db for a new installation or a demo.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/data_context.h"
#include "util/date_time.h"

namespace util = tablora::util;

namespace {

constexpr const char* kDemoUser = "经理";
constexpr const char* kDemoPassword = "888888";

int usage(const char* message) {
    std::fprintf(
        stderr,
        "%s\n用法: tablora-initdb 路径 [--empty] [--user 用户名 --password 密码] [--history 单数]\n"
        "在指定路径新建 cysj.db（不会覆盖已有文件）。省略用户时创建演示经理 \"%s\"，密码 "
        "\"%s\"。\n--empty 新餐厅：只有数据表和一位拥有全部权限的经理，没有演示餐台和菜品"
        "（须同时给出 --user 与 --password）。\n"
        "--history 加入截至昨天五年内已结账的单数笔流水（每单平均五条明细），供测速。\n",
        message, kDemoUser, kDemoPassword);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path, user, password;
    bool userGiven = false, passwordGiven = false, empty = false;
    long history = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--user" || arg == "--password") {
            if (i + 1 >= argc) return usage(("缺少 " + arg + " 的值").c_str());
            (arg == "--user" ? user : password) = argv[++i];
            (arg == "--user" ? userGiven : passwordGiven) = true;
        } else if (arg == "--empty") {
            empty = true;
        } else if (arg == "--history") {
            if (i + 1 >= argc) return usage("缺少 --history 的值");
            char* end = nullptr;
            history = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || history < 1 || history > 10'000'000)
                return usage("--history 须为 1 到 10000000 的整数");
        } else if (arg == "-h" || arg == "--help") {
            usage("");
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage(("未知选项: " + arg).c_str());
        } else if (path.empty()) {
            path = arg;
        } else {
            return usage("只能给出一个路径");
        }
    }
    if (path.empty()) return usage("缺少数据库路径");
    if (userGiven != passwordGiven) return usage("--user 与 --password 须同时给出");
    if (userGiven && (user.empty() || password.empty())) return usage("用户名和密码不能为空");
    if (empty && !userGiven) return usage("新餐厅 (--empty) 须给出经理的 --user 与 --password");
    if (!userGiven) {
        user = kDemoUser;
        password = kDemoPassword;
    }
    const std::string error = tablora::data::createDatabase(path, user, password, !empty);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (history > 0) {
        util::CalendarTime yesterday = util::localNow();
        const auto day = util::toCalendar(util::fromCalendar(yesterday) - 1);
        if (day) yesterday = *day;
        const std::string failed =
            tablora::data::addHistory(path, static_cast<int>(history), yesterday);
        if (!failed.empty()) {
            std::fprintf(stderr, "%s\n", failed.c_str());
            return 1;
        }
    }
    std::printf("已创建 %s\n", path.c_str());
    if (!userGiven)
        std::printf("演示用户: %s  密码: %s（拥有全部权限）\n", kDemoUser, kDemoPassword);
    return 0;
}
