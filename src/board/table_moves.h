#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/data_context.h"

namespace tablora::board {

// An unpaid order as the board read it.
struct OpenOrder {
    std::string number, table, time;
    long long guests = 0, amount = 0;
};

// Every unpaid order (状态 0), in journal order; false when the journal could not be read whole.
bool readOpenOrders(data::DataContext& data, std::vector<OpenOrder>& orders);

enum class MoveOutcome { Moved, TargetTaken, Failed };
// The order goes to another table, in one transaction, only while it is still unpaid at its
// table and the other table has no unpaid order.
// `alsoInside` is written in the same transaction (the kitchen's slip), or nothing is.
MoveOutcome moveOrder(data::DataContext& data, const OpenOrder& order, const std::string& table,
                      const std::function<bool()>& alsoInside = {});

// `other` joins `into` in one transaction: a dish both have becomes one line (this order's,
// quantities and amounts added), the other's remaining lines follow in their own order, the
// guests are added, 金额 becomes the sum of the lines, the kitchen's record of what was sent
// follows the dishes, and the other's journal record goes. Nothing is written when either order
// is no longer as the board read it (changed, settled, gone).
bool mergeOrders(data::DataContext& data, const OpenOrder& into, const OpenOrder& other,
                 const std::function<bool()>& alsoInside = {});

}  // namespace tablora::board
