#pragma once

#include <array>
#include <string>
#include <vector>

namespace tablora::data {
class SqliteDB;
}

namespace tablora::rights {

// A user's rights beyond the ten, kept one row a user by name; a user without a row has none.
struct ExtraRights {
    int 退菜 = 0;
    int 赠送 = 0;
    int 折扣 = 0;
    int 免服务费 = 0;
    int 拆单 = 0;
    int 反结账 = 0;
    int 最低折扣 = 0;  // 80: at most 8折; 0: no limit
    int 抹零上限 = 0;  // yuan; 0: no limit
};

struct ExtraRightField {
    const char* field;
    int ExtraRights::*member;
};
// The rights that are ticked, in the order they are listed.
inline constexpr std::array<ExtraRightField, 6> kExtraRightFields = {{
    {"退菜", &ExtraRights::退菜},
    {"赠送", &ExtraRights::赠送},
    {"折扣", &ExtraRights::折扣},
    {"免服务费", &ExtraRights::免服务费},
    {"拆单", &ExtraRights::拆单},
    {"反结账", &ExtraRights::反结账},
}};

// False when the file could not be read; a user without a row reads as no rights.
bool readExtraRights(data::SqliteDB& database, const std::string& user, ExtraRights& rights);
// Replaces the user's row; inside the caller's transaction when there is one.
bool writeExtraRights(data::SqliteDB& database, const std::string& user, const ExtraRights& rights);
// A renamed user keeps his rights; a deleted one takes them along.
bool renameExtraRights(data::SqliteDB& database, const std::string& old,
                       const std::string& renamed);
bool deleteExtraRights(data::SqliteDB& database, const std::string& user);
// The users (in the user list's order) who hold the right named as in kExtraRightFields.
std::vector<std::string> usersHolding(data::SqliteDB& database, const std::string& right);
// Whether this user's password is this one.
bool passwordMatches(data::SqliteDB& database, const std::string& user,
                     const std::string& password);

}  // namespace tablora::rights
