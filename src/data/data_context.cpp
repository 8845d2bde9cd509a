#include "data/data_context.h"

namespace tablora::data {

DataContext::DataContext(std::string databasePath) : m_path(std::move(databasePath)) {}

DataContext::~DataContext() {
    // Cursors first, so the connection closes with no statement left on it.
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
    return "";
}

DataContext::LoginOpen DataContext::openForLogin() {
    if (!database.open(m_path, false)) return LoginOpen::NoDatabase;
    if (!userCursor.open("用户", database)) return LoginOpen::NoUserTable;
    return LoginOpen::Ok;
}

SqliteTable& DataContext::openOnDemand(SqliteTable& cursor) {
    if (database.isOpen() && cursor.isOpen()) return cursor;
    database.close();
    if (database.open(m_path, false)) cursor.open(tableOf(cursor, *this), database);
    return cursor;
}

void DataContext::closeUserAndDatabase() {
    userCursor.close();
    database.close();
}

}  // namespace tablora::data
