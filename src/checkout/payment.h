#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tablora::checkout {

// One payment of a settlement: how, what was handed over, what was given back.
struct Payment {
    std::string method;
    long long received = 0, change = 0;
};

// Settles the order being paid with these payments against the amount due the person saw;
// true when it settled (every outcome has been told).
using SettleWith = std::function<bool(const std::vector<Payment>& payments, long long due)>;

}  // namespace tablora::checkout
