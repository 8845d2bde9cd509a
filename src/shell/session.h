#pragma once

#include <array>
#include <string>

namespace tablora::shell {

// The logged-in user's ten flags, in the order of the user table; granted when not 0.
struct PermissionSet {
    int 开台 = 0;
    int 结账 = 0;
    int 查询 = 0;
    int 删除 = 0;
    int 流水导出 = 0;
    int 单台导出 = 0;
    int 设置用户 = 0;
    int 设置餐台 = 0;
    int 设置菜品 = 0;
    int 设置公告 = 0;

    static constexpr std::array<const char*, 10> kFields = {
        "开台",     "结账",     "查询",     "删除",     "流水导出",
        "单台导出", "设置用户", "设置餐台", "设置菜品", "设置公告"};
    int* begin() { return &开台; }
    int* end() { return &设置公告 + 1; }
};

// Process-wide values of one running program.
struct Session {
    std::string currentUser;
    std::string announcement;
    PermissionSet permissions;
    int skin = 0;
    bool switchUser = false;
    int lastQueryKind = 0;
};

}  // namespace tablora::shell
