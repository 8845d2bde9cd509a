#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "data/data_context.h"
#include "data/sqlite_db.h"

namespace tablora::data {
namespace {

constexpr const char* kSchema = R"SQL(
CREATE TABLE 用户 (用户 TEXT, 密码 TEXT, 皮肤 INTEGER, 开台 INTEGER, 结账 INTEGER, 查询 INTEGER,
  删除 INTEGER, 流水导出 INTEGER, 单台导出 INTEGER, 设置用户 INTEGER, 设置餐台 INTEGER,
  设置菜品 INTEGER, 设置公告 INTEGER, 公告内容 TEXT);
CREATE TABLE 流水 (单号 TEXT, 时间 TEXT, 台号 TEXT, 人数 INTEGER, 金额 INTEGER, 状态 INTEGER,
  操作 TEXT, 备注 TEXT);
CREATE TABLE 明细 (单号 TEXT, 菜品 TEXT, 单价 INTEGER, 数量 INTEGER, 金额 INTEGER, 分类 TEXT);
CREATE TABLE 菜品 (菜品 TEXT, 分类 TEXT);
CREATE TABLE 餐台 (餐台 TEXT);
CREATE TABLE 分类 (分类 TEXT);
CREATE INDEX 索引_明细_单号 ON 明细 (单号);
CREATE INDEX 索引_流水_单号 ON 流水 (单号);
CREATE INDEX 索引_流水_状态 ON 流水 (状态);
CREATE INDEX 索引_流水_时间 ON 流水 (时间);
)SQL";

const std::vector<std::pair<const char*, std::vector<const char*>>> kMenu = {
    {"凉菜",
     {"拍黄瓜/12元", "凉拌木耳/16元", "夫妻肺片/32元", "口水鸡/38元", "皮蛋豆腐/14元",
      "酱牛肉/46元"}},
    {"热菜",
     {"宫保鸡丁/28元", "鱼香肉丝/26元", "麻婆豆腐/18元", "回锅肉/32元", "水煮鱼/68元",
      "红烧肉/42元", "糖醋里脊/36元", "干煸四季豆/22元", "东北烤全羊/188元"}},
    {"汤羹",
     {"西红柿蛋汤/15元", "酸辣汤/18元", "老鸭汤/48元", "玉米排骨汤/38元", "紫菜蛋花汤/12元"}},
    {"主食", {"米饭/2元", "扬州炒饭/18元", "手工水饺/22元", "葱油饼/10元", "牛肉面/24元"}},
    {"酒水", {"青岛啤酒/8元", "可乐/5元", "鲜榨橙汁/18元", "酸梅汤/12元", "二锅头/15元"}},
};

bool run(sqlite3* db, const std::string& sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : "SQLite error";
    sqlite3_free(message);
    return false;
}

bool insert(sqlite3* db, const std::string& sql, const std::vector<std::string>& texts,
            std::string& error) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    for (size_t i = 0; i < texts.size(); ++i)
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), texts[i].c_str(), -1, SQLITE_TRANSIENT);
    const bool ok = sqlite3_step(stmt) == SQLITE_DONE;
    if (!ok) error = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    return ok;
}

}  // namespace

std::string createDemoDatabase(const std::string& path, const std::string& user,
                               const std::string& password) {
    return createDatabase(path, user, password, true);
}

std::string createDatabase(const std::string& path, const std::string& user,
                           const std::string& password, bool demo) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return "文件已存在，不会覆盖：" + path;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::string error = db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close(db);
        return "无法创建数据库文件：" + error;
    }
    std::string error;
    bool ok = run(db, "BEGIN", error) && run(db, kSchema, error) &&
              insert(db,
                     "INSERT INTO 用户 (用户, 密码, 皮肤, 开台, 结账, 查询, 删除, 流水导出, "
                     "单台导出, 设置用户, 设置餐台, 设置菜品, 设置公告, 公告内容) "
                     "VALUES (?, ?, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '')",
                     {user, password}, error);
    for (int i = 1; ok && demo && i <= 12; ++i) {
        const std::string name =
            (i <= 8 ? "大厅" : "包间") + std::to_string(i <= 8 ? i : i - 8) + "号";
        ok = insert(db, "INSERT INTO 餐台 (餐台) VALUES (?)", {name}, error);
    }
    for (const auto& [category, dishes] : kMenu) {
        if (!ok || !demo) break;
        ok = insert(db, "INSERT INTO 分类 (分类) VALUES (?)", {category}, error);
        for (const char* dish : dishes) {
            if (!ok) break;
            ok = insert(db, "INSERT INTO 菜品 (菜品, 分类) VALUES (?, ?)", {dish, category}, error);
        }
    }
    ok = ok && run(db, "COMMIT", error);
    sqlite3_close(db);
    if (!ok) {
        ::remove(path.c_str());
        return "创建数据库失败：" + error;
    }
    SqliteDB created;
    if (created.open(path)) addOwnTables(created);
    return {};
}

}  // namespace tablora::data
