#pragma once

#include <string>

namespace tablora::ordering {

// A line of an order as the order window shows it, as its dialogs take it.
struct OrderLine {
    std::string number, table, dish, category;
    long long price = 0, quantity = 0, sent = 0;
};

}  // namespace tablora::ordering
