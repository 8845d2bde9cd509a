#pragma once

#include <array>
#include <string>

namespace tablora::core {

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
};

// Each flag with its field in the user table, in table order.
struct PermissionField {
    const char* field;
    int PermissionSet::*member;
};
inline constexpr std::array<PermissionField, 10> kPermissionFields = {{
    {"开台", &PermissionSet::开台},
    {"结账", &PermissionSet::结账},
    {"查询", &PermissionSet::查询},
    {"删除", &PermissionSet::删除},
    {"流水导出", &PermissionSet::流水导出},
    {"单台导出", &PermissionSet::单台导出},
    {"设置用户", &PermissionSet::设置用户},
    {"设置餐台", &PermissionSet::设置餐台},
    {"设置菜品", &PermissionSet::设置菜品},
    {"设置公告", &PermissionSet::设置公告},
}};

// Process-wide values of one running program.
struct Session {
    std::string currentUser;
    std::string announcement;
    PermissionSet permissions;
    int skin = 0;
    bool switchUser = false;
    int lastQueryKind = 0;
};

}  // namespace tablora::core
