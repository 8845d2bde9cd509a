#include "data/data_context.h"

#include <sys/vfs.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "data/report_cache.h"
#include "util/initials.h"

namespace tablora::data {

DataContext::DataContext(std::string databasePath) : m_path(std::move(databasePath)) {}

DataContext::~DataContext() {
    // Cursors first, so the connection closes with no statement left on it.
    displayCursor.close();
    categoryCursor.close();
    diningTableCursor.close();
    dishCursor.close();
    journalCursor.close();
    detailCursor.close();
    userCursor.close();
    database.close();
}

const char* DataContext::tableOf(const SqliteTable& cursor, const DataContext& c) {
    if (&cursor == &c.userCursor) return "用户";
    if (&cursor == &c.detailCursor) return "明细";
    if (&cursor == &c.journalCursor) return "流水";
    if (&cursor == &c.dishCursor) return "菜品";
    if (&cursor == &c.diningTableCursor) return "餐台";
    if (&cursor == &c.categoryCursor) return "分类";
    if (&cursor == &c.displayCursor) return "显示设置";
    if (&cursor == &c.sentCursor) return "送厨记录";
    if (&cursor == &c.noteCursor) return "菜品口味";
    if (&cursor == &c.traceCursor) return "操作记录";
    if (&cursor == &c.adjustmentCursor) return "账单调整";
    return "";
}

bool DataContext::openDatabase() {
    if (!database.open(m_path, false)) return false;
    // A copy of the file is made while the restaurant works (backups, by the program or from
    // the command line): in this mode it reads one moment of the file while writes go on. Not
    // on a network filesystem: the log's shared memory is not shared between computers there.
    if (onNetworkFolder())
        database.useRollbackJournal();
    else
        database.useWriteAheadLog();
    // The finds of the order, checkout and query windows are answered from these (the journal's
    // days from the one on 时间). They add
    // no table or field, so any other reader of the file sees it as before.
    database.createIndexIfMissing("索引_明细_单号", "明细", "单号");
    database.createIndexIfMissing("索引_流水_单号", "流水", "单号");
    database.createIndexIfMissing("索引_流水_状态", "流水", "状态");
    database.createIndexIfMissing("索引_流水_时间", "流水", "时间");
    addOwnTables(database);
    return true;
}

namespace {

// Every dish's initials, made once when the table is new (a file from before them).
void addDishInitials(SqliteDB& database) {
    if (database.exists("table", "菜品助记码") || !database.beginTransaction()) return;
    SqliteTable dishes, initials;
    bool made = database.createTableIfMissing("菜品助记码", "菜品 TEXT, 助记码 TEXT") &&
                dishes.open("菜品", database) && initials.open("菜品助记码", database);
    std::set<std::string> seen;
    for (bool more = made && dishes.moveFirst(); more && made; more = dishes.skip()) {
        const std::string text = dishes.readText("菜品");
        const std::string name = text.substr(0, text.find('/'));
        if (!seen.insert(name).second) continue;
        made = initials.addNew() && initials.write("菜品", name) &&
               initials.write("助记码", util::dishInitials(name)) && initials.update();
    }
    if (made && !dishes.readFailed() && database.commitTransaction()) return;
    database.rollbackTransaction();
}

}  // namespace

void addOwnTables(SqliteDB& database) {
    database.createTableIfMissing("显示设置", "比例 INTEGER");
    // Printing: the printers, the shop's name and footer for bills, and the jobs a printer
    // has not taken yet (kept until printed, or for a person to print again).
    database.createTableIfMissing("打印机",
                                  "名称 TEXT, 连接 TEXT, 纸宽 INTEGER, 用途 TEXT, 分类 TEXT");
    database.createTableIfMissing("打印设置", "店名 TEXT, 页脚 TEXT");
    database.createTableIfMissing("打印任务",
                                  "打印机 TEXT, 连接 TEXT, 内容 BLOB, 说明 TEXT, 时间 TEXT");
    // What of each order the kitchen has been sent, dish by dish.
    database.createTableIfMissing("送厨记录", "单号 TEXT, 菜品 TEXT, 分类 TEXT, 数量 INTEGER");
    database.createIndexIfMissing("索引_送厨记录_单号", "送厨记录", "单号");
    // One record a dish of an order: what older copies left twice (a merge) is added up first.
    database.createIfMissing(
        "index", "索引_送厨记录_菜品",
        "BEGIN IMMEDIATE;"
        "UPDATE 送厨记录 SET 数量 = (SELECT sum(s.数量) FROM 送厨记录 s WHERE s.单号 = "
        "送厨记录.单号 AND s.菜品 = 送厨记录.菜品) WHERE rowid IN (SELECT min(rowid) FROM 送厨记录 "
        "GROUP BY 单号, 菜品 HAVING count(*) > 1);"
        "DELETE FROM 送厨记录 WHERE rowid NOT IN (SELECT min(rowid) FROM 送厨记录 GROUP BY 单号, "
        "菜品);"
        "CREATE UNIQUE INDEX 索引_送厨记录_菜品 ON 送厨记录 (单号, 菜品);"
        "COMMIT");
    // Backups: a second folder the copies also go to (a USB stick, a network share).
    database.createTableIfMissing("备份设置", "第二文件夹 TEXT");
    // The owner's numbers: how each bill was paid, a trace of every deleted order, the day
    // closes with their cash count.
    database.createTableIfMissing(
        "结账", "单号 TEXT, 付款方式 TEXT, 实收 INTEGER, 找零 INTEGER, 收银员 TEXT, 结账时间 TEXT");
    database.createIndexIfMissing("索引_结账_单号", "结账", "单号");
    database.createTableIfMissing("删除记录",
                                  "单号 TEXT, 台号 TEXT, 人数 INTEGER, 金额 INTEGER, 状态 INTEGER, "
                                  "明细 TEXT, 操作员 TEXT, 删除时间 TEXT");
    database.createTableIfMissing(
        "日结",
        "日期 TEXT, 单数 INTEGER, 人数 INTEGER, 营业额 INTEGER, 已结金额 INTEGER, 未结金额 "
        "INTEGER, "
        "人均消费 INTEGER, 删除单数 INTEGER, 删除金额 INTEGER, 应有现金 INTEGER, 清点现金 INTEGER, "
        "差额 INTEGER, 操作员 TEXT, 日结时间 TEXT");
    // Rights beyond the ten: whoever may set up users gets them all when they first exist.
    database.createIfMissing(
        "table", "用户权限",
        "BEGIN IMMEDIATE;"
        "CREATE TABLE 用户权限 (用户 TEXT, 退菜 INTEGER, 赠送 INTEGER, 折扣 INTEGER, 最低折扣 "
        "INTEGER, 抹零上限 INTEGER, 免服务费 INTEGER, 拆单 INTEGER, 反结账 INTEGER);"
        "INSERT INTO 用户权限 SELECT 用户, 1, 1, 1, 0, 0, 1, 1, 1 FROM 用户 WHERE "
        "coalesce(设置用户, 0) <> 0 GROUP BY 用户;"
        "COMMIT");
    // What was taken off an order, by whom and why; only ever added to.
    database.createTableIfMissing("操作记录",
                                  "时间 TEXT, 单号 TEXT, 台号 TEXT, 动作 TEXT, 菜品 TEXT, 数量 "
                                  "INTEGER, 金额 INTEGER, 原因 TEXT, 操作员 TEXT, 授权人 TEXT, "
                                  "已送厨 INTEGER");
    database.createIndexIfMissing("索引_操作记录_时间", "操作记录", "时间");
    database.createIndexIfMissing("索引_操作记录_单号", "操作记录", "单号");
    database.createIfMissing(
        "table", "原因",
        "BEGIN IMMEDIATE;"
        "CREATE TABLE 原因 (类型 TEXT, 原因 TEXT);"
        "INSERT INTO 原因 VALUES ('退菜', '客人不要了'), ('退菜', '上菜太慢'), "
        "('退菜', '点错了'), ('退菜', '菜品质量问题'), ('退菜', '估清');"
        "COMMIT");
    addDishInitials(database);
    // Notes for the kitchen: those offered, and each line's with what of it was sent.
    database.createIfMissing(
        "table", "口味",
        "BEGIN IMMEDIATE;"
        "CREATE TABLE 口味 (口味 TEXT, 分类 TEXT);"
        "INSERT INTO 口味 VALUES ('不要香菜', ''), ('不要葱', ''), ('少辣', ''), "
        "('微辣', ''), ('加辣', ''), ('不要辣', ''), ('少盐', ''), ('少油', ''), "
        "('打包', ''), ('先上', ''), ('等叫', '');"
        "COMMIT");
    database.createTableIfMissing("菜品口味", "单号 TEXT, 菜品 TEXT, 口味 TEXT, 已送口味 TEXT");
    // What changes the amount a guest pays, beside the lines: comps and the like, signed yuan.
    // Made with the reasons offered for comps and discounts, so a file from before them gets
    // them once (and a reason deleted later stays deleted).
    database.createIfMissing(
        "table", "账单调整",
        "BEGIN IMMEDIATE;"
        "CREATE TABLE 账单调整 (单号 TEXT, 类型 TEXT, 菜品 TEXT, 数量 INTEGER, 比例 INTEGER, 金额 "
        "INTEGER, 原因 TEXT, 操作员 TEXT, 授权人 TEXT, 时间 TEXT);"
        "INSERT INTO 原因 VALUES ('赠送', '老客户'), ('赠送', '等待过久'), ('赠送', '店庆活动'), "
        "('赠送', '老板请客'), ('折扣', '会员'), ('折扣', '老客户'), ('折扣', '店庆活动'), "
        "('反结账', '结错账'), ('反结账', '付款方式错误');"
        "COMMIT");
    // What the cash desk adds or leaves out: a dining table's service charge (percent) and
    // minimum spend, the categories no discount applies to.
    database.createTableIfMissing("餐台收费", "台号 TEXT, 服务费率 INTEGER, 最低消费 INTEGER");
    database.createTableIfMissing("不打折分类", "分类 TEXT");
    // Money put into or taken out of the drawer outside a sale.
    database.createTableIfMissing("现金收支",
                                  "类型 TEXT, 金额 INTEGER, 说明 TEXT, 操作员 TEXT, 时间 TEXT");
    // The figures a day close keeps beyond 日结's.
    database.createTableIfMissing("日结附加",
                                  "日期 TEXT, 优惠合计 INTEGER, 附加合计 INTEGER, "
                                  "实收金额 INTEGER, 现金收支 INTEGER");
    database.createIndexIfMissing("索引_账单调整_单号", "账单调整", "单号");
    database.createIndexIfMissing("索引_菜品口味_单号", "菜品口味", "单号");
    database.createIndexIfMissing("索引_菜品助记码_菜品", "菜品助记码", "菜品");
    // Last: the report's triggers watch tables made above.
    addReportCache(database);
}

bool carryCategoryToPrinters(SqliteDB& database, const std::string& old,
                             const std::string& renamed) {
    SqliteTable printers;
    if (!printers.open("打印机", database)) return true;  // a file without printing
    std::vector<std::int64_t> rowids;
    for (bool more = printers.moveFirst(); more; more = printers.skip())
        rowids.push_back(printers.rowid());
    if (printers.readFailed()) return false;
    for (const std::int64_t rowid : rowids) {
        if (!printers.moveToRowid(rowid)) return false;
        const std::string list = printers.readText("分类");
        std::vector<std::string> names;
        bool found = false;
        for (size_t from = 0; from <= list.size();) {
            const size_t bar = std::min(list.find('|', from), list.size());
            std::string name = list.substr(from, bar - from);
            if (name == old) {
                found = true;
                name = renamed;
            }
            if (!name.empty()) names.push_back(std::move(name));
            from = bar + 1;
        }
        if (!found || names.empty()) continue;
        std::string joined;
        for (const auto& name : names) joined += (joined.empty() ? "" : "|") + name;
        if (!printers.edit() || !printers.write("分类", joined) || !printers.update()) return false;
    }
    return true;
}

bool carryNamed(SqliteDB& database, const char* table, const char* field, const std::string& old,
                const std::string& renamed) {
    SqliteTable rows;
    if (!rows.open(table, database)) return !database.exists("table", table);
    const std::vector<int> found = rows.findAll(field, old);
    if (rows.readFailed()) return false;
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        if (!rows.moveTo(*it)) return false;
        const bool ok = renamed.empty()
                            ? rows.deleteCurrent()
                            : rows.edit() && rows.write(field, renamed) && rows.update();
        if (!ok) return false;
    }
    return true;
}

int readDisplayScale(const std::string& databasePath) {
    SqliteDB database;
    SqliteTable settings;
    if (!database.open(databasePath) || !settings.open("显示设置", database)) return 100;
    const int scale = settings.moveFirst() ? settings.readInt("比例") : 100;
    for (int known : kDisplayScales)
        if (scale == known) return scale;
    return 100;
}

DataContext::LoginOpen DataContext::openForLogin() {
    if (!openDatabase()) {
        // A file that is there but cannot be read as a database is damaged, not missing: its
        // user table cannot be opened. A FIFO or a folder in its place counts as missing.
        std::error_code error;
        return std::filesystem::is_regular_file(m_path, error) ? LoginOpen::NoUserTable
                                                               : LoginOpen::NoDatabase;
    }
    if (!userCursor.open("用户", database)) return LoginOpen::NoUserTable;
    return LoginOpen::Ok;
}

SqliteTable& DataContext::openOnDemand(SqliteTable& cursor) {
    if (database.isOpen() && cursor.isOpen()) return cursor;
    // The connection is kept while it is still on the file at the path: reopening it for every
    // operation would throw away what the cursors keep of the tables. A file replaced or
    // removed meanwhile is reopened (or fails) as before.
    // Never in the middle of a transaction, which closing would silently roll back.
    if (!database.isOpen() ||
        (!database.inTransaction() && (!database.isStillAt(m_path) || database.literalWalks()))) {
        database.close();
        openDatabase();
    }
    if (database.isOpen()) cursor.open(tableOf(cursor, *this), database);
    return cursor;
}

void DataContext::prepareForWork() {
    for (SqliteTable* cursor : {&journalCursor, &detailCursor})
        if (cursor->isOpen())
            cursor->takeInChanges();
        else
            openOnDemand(*cursor);
}

void DataContext::closeUserAndDatabase() {
    userCursor.close();
    // A closed program leaves one complete file, whoever else still has it open.
    database.closeCursors();
    database.checkpoint();
    database.close();
}

bool DataContext::onNetworkFolder() const {
    struct statfs fs {};
    const std::string folder = std::filesystem::path(m_path).parent_path().string();
    if (::statfs(folder.empty() ? "." : folder.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x65735546:  // FUSE (sshfs and the like)
        case 0x01021997:  // 9p
        case 0x5346414F:  // AFS
        case 0x00C36400:  // Ceph
        case 0x47504653:  // GPFS
        case 0x013111A8:  // IBRIX
        case 0x0BD00BD0:  // Lustre
            return true;
        default:
            return false;
    }
}

}  // namespace tablora::data
