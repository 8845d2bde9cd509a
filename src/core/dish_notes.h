#pragma once

#include <map>
#include <string>
#include <vector>

namespace tablora::data {
class DataContext;
class SqliteDB;
}  // namespace tablora::data

namespace tablora::core {

// What the kitchen must know of a line ("少辣，不要香菜"), and what of it was sent.
struct DishNote {
    std::string note, sent;
};

// The notes of an order's lines, by dish.
std::map<std::string, DishNote> readDishNotes(data::DataContext& data, const std::string& number);
// A line's note (empty takes it off); what was sent of it stays. Inside the caller's
// transaction when there is one.
bool writeDishNote(data::DataContext& data, const std::string& number, const std::string& dish,
                   const std::string& note);
// The kitchen has this note of the line now.
bool markNoteSent(data::DataContext& data, const std::string& number, const std::string& dish,
                  const std::string& note);
// The notes go with their line or their order.
bool deleteDishNotes(data::DataContext& data, const std::string& number,
                     const std::string& dish = {});
// A party moved or merged into order `to`: its notes follow; a dish noted on both keeps both.
bool carryDishNotes(data::DataContext& data, const std::string& from, const std::string& to);

// The notes offered for a dish of this category: those for every category, then its own.
std::vector<std::string> tasteChoices(data::SqliteDB& database, const std::string& category);

}  // namespace tablora::core
