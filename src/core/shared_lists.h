#pragma once

#include <string>

#include "data/data_context.h"
#include "ui/controls.h"

namespace tablora::core {

// The row the cash desk and the journal show for the current order line: number, dish, and
// price, quantity and amount read as whole numbers, category; the row number left empty.
void appendOrderLineRow(ui::ReportList& list, data::SqliteTable& lines);

// The dish menus of the order and settings windows: one group per category in rowid order,
// and each dish in every group whose title is its category, in rowid order.
void fillMenuGroups(ui::RollMenu& menu, data::DataContext& data);
void fillMenuDishes(ui::RollMenu& menu, data::DataContext& data);
// Every dining table's name, in rowid order.
void fillTableNames(ui::ItemControl& list, data::DataContext& data);

// "宫保鸡丁/28元": the name before the first "/", the price from the digits of the next piece.
struct DishText {
    std::string name;
    std::string price;
};
DishText splitDish(const std::string& text);

}  // namespace tablora::core
