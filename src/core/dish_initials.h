#pragma once

#include <map>
#include <string>

namespace tablora::data {
class SqliteDB;
}

namespace tablora::core {

// The initials kept for each dish name (the name before "/"); a dish another program added
// without them is given them when looked up.
std::map<std::string, std::string> readDishInitials(data::SqliteDB& database);
// The initials of a dish name: those kept, else made from its characters.
std::string initialsOf(const std::map<std::string, std::string>& kept, const std::string& name);
// Keeps a dish's initials under its name, replacing those of `old` (a renamed dish); inside
// the caller's transaction when there is one.
bool storeDishInitials(data::SqliteDB& database, const std::string& old, const std::string& name,
                       const std::string& initials);
// Initials a person may type: 1-10 letters or digits, kept in lower case; nothing otherwise.
bool typedInitialsUsable(const std::string& typed);

}  // namespace tablora::core
