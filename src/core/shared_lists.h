#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/data_context.h"
#include "ui/controls.h"

namespace tablora::core {

// The lines the cash desk and the journal show for an order: row number, order number, dish,
// price, quantity and amount read as whole numbers, category; every line of the number, in
// rowid order. False when not read whole.
bool readOrderLines(data::DataContext& data, const std::string& number, ui::ReportRows& rows);

// One field of every record of the cursor's table in rowid order, with their rowids; false
// when the table could not be read whole.
bool readColumn(data::DataContext& data, data::SqliteTable& cursor, const char* field,
                std::vector<std::string>& texts, std::vector<std::int64_t>& ids);

// The list fillers. Each returns false, leaving the control as it was, when the table could
// not be read whole; `ids`, when asked for, receives each entry's rowid, so that a later
// write reaches the very record the entry shows.
//
// The dish menus of the order and settings windows: one group per category in rowid order,
// and each dish in every group whose title is its category, in rowid order.
bool fillMenuGroups(ui::RollMenu& menu, data::DataContext& data,
                    std::vector<std::int64_t>* ids = nullptr);
bool fillMenuDishes(ui::RollMenu& menu, data::DataContext& data,
                    std::vector<std::vector<std::int64_t>>* ids = nullptr);
// Every dining table's name, in rowid order.
bool fillTableNames(ui::ItemControl& list, data::DataContext& data,
                    std::vector<std::int64_t>* ids = nullptr);

// Makes the record listed at `position` (its rowid in `ids`) current on the cursor, opened on
// demand, provided it still holds the text the list showed in `field`; false when it is gone,
// changed or could not be read.
bool reachListed(data::DataContext& data, data::SqliteTable& cursor,
                 const std::vector<std::int64_t>& ids, int position, const char* field,
                 const std::string& shown);

// "宫保鸡丁/28元": the name before the first "/", the price from the digits of the next piece.
struct DishText {
    std::string name;
    std::string price;
};
DishText splitDish(const std::string& text);

}  // namespace tablora::core
