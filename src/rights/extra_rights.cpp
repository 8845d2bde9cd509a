#include "rights/extra_rights.h"

#include <set>

#include "data/sqlite_db.h"
#include "data/sqlite_table.h"

namespace tablora::rights {
namespace {

// Positions the cursor on the user's row; false when he has none.
bool findRow(data::SqliteTable& table, const std::string& user) {
    const std::vector<int> found = table.findAll("用户", user);
    return !found.empty() && table.moveTo(found.front());
}

}  // namespace

bool readExtraRights(data::SqliteDB& database, const std::string& user, ExtraRights& rights) {
    rights = {};
    data::SqliteTable table;
    if (!table.open("用户权限", database)) return false;
    if (!findRow(table, user)) return !table.readFailed();
    for (const auto& f : kExtraRightFields) rights.*f.member = table.readInt(f.field);
    rights.最低折扣 = table.readInt("最低折扣");
    rights.抹零上限 = table.readInt("抹零上限");
    return !table.readFailed();
}

bool writeExtraRights(data::SqliteDB& database, const std::string& user,
                      const ExtraRights& rights) {
    data::SqliteTable table;
    if (!table.open("用户权限", database)) return false;
    const bool found = findRow(table, user);
    if (table.readFailed() || !(found ? table.edit() : table.addNew())) return false;
    bool written = table.write("用户", user);
    for (const auto& f : kExtraRightFields)
        written = written && table.write(f.field, rights.*f.member != 0 ? 1 : 0);
    return written && table.write("最低折扣", rights.最低折扣) &&
           table.write("抹零上限", rights.抹零上限) && table.update();
}

bool renameExtraRights(data::SqliteDB& database, const std::string& old,
                       const std::string& renamed) {
    data::SqliteTable table;
    if (!table.open("用户权限", database)) return false;
    for (int n : table.findAll("用户", old))
        if (!table.moveTo(n) || !table.edit() || !table.write("用户", renamed) || !table.update())
            return false;
    return !table.readFailed();
}

bool deleteExtraRights(data::SqliteDB& database, const std::string& user) {
    data::SqliteTable table;
    if (!table.open("用户权限", database)) return false;
    // From the last: deleting renumbers the records after it.
    const std::vector<int> found = table.findAll("用户", user);
    for (auto n = found.rbegin(); n != found.rend(); ++n)
        if (!table.moveTo(*n) || !table.deleteCurrent()) return false;
    return !table.readFailed();
}

std::vector<std::string> usersHolding(data::SqliteDB& database, const std::string& right) {
    std::vector<std::string> holders;
    data::SqliteTable users;
    if (!users.open("用户", database)) return holders;
    std::set<std::string> seen;
    for (bool more = users.moveFirst(); more; more = users.skip()) {
        const std::string name = users.readText("用户");
        ExtraRights r;
        if (!seen.insert(name).second || !readExtraRights(database, name, r)) continue;
        for (const auto& f : kExtraRightFields)
            if (right == f.field && r.*f.member != 0) holders.push_back(name);
    }
    return holders;
}

bool passwordMatches(data::SqliteDB& database, const std::string& user,
                     const std::string& password) {
    data::SqliteTable users;
    if (!users.open("用户", database)) return false;
    for (int n : users.findAll("用户", user))
        if (users.moveTo(n) && users.readText("密码") == password) return true;
    return false;
}

}  // namespace tablora::rights
