#include "core/dish_initials.h"

#include <cctype>

#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "util/initials.h"

namespace tablora::core {

std::map<std::string, std::string> readDishInitials(data::SqliteDB& database) {
    std::map<std::string, std::string> kept;
    data::SqliteTable table;
    if (!table.open("菜品助记码", database)) return kept;
    for (bool more = table.moveFirst(); more; more = table.skip())
        kept.emplace(table.readText("菜品"), table.readText("助记码"));
    return kept;
}

std::string initialsOf(const std::map<std::string, std::string>& kept, const std::string& name) {
    const auto found = kept.find(name);
    return found != kept.end() ? found->second : util::dishInitials(name);
}

bool storeDishInitials(data::SqliteDB& database, const std::string& old, const std::string& name,
                       const std::string& initials) {
    data::SqliteTable table;
    if (!table.open("菜品助记码", database)) return false;
    // One row a name: the old name's and any left under the new one are replaced.
    for (const std::string& n : {old, name}) {
        const auto rows = table.findAll("菜品", n);
        for (auto r = rows.rbegin(); r != rows.rend(); ++r)
            if (!table.moveTo(*r) || !table.deleteCurrent()) return false;
    }
    return table.addNew() && table.write("菜品", name) && table.write("助记码", initials) &&
           table.update();
}

bool typedInitialsUsable(const std::string& typed) {
    if (typed.empty() || typed.size() > 10) return false;
    for (const char c : typed)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace tablora::core
