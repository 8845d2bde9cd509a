#pragma once

#include <functional>
#include <string>
#include <vector>

#include "printing/bills.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::printing {

struct KitchenLine {
    std::string dish, category;
    long long quantity = 0;
};
// An order as the order window shows it.
struct KitchenOrder {
    std::string number, table, guests;
    std::vector<KitchenLine> lines;
};

// How many dishes of the order wait to be sent to a kitchen printer (added, or taken back,
// since the last send); -1 when no kitchen printer is set up.
long long dishesWaitingForKitchen(core::AppContext& app, const KitchenOrder& order);

// The menu's categories that no kitchen printer takes (their dishes print nowhere); empty when
// there is no kitchen printer at all.
std::vector<std::string> categoriesNoKitchenTakes(core::AppContext& app);

enum class KitchenSend { NoPrinter, NothingWaits, Sent };
// Sends what changed since the order's last send, each dish to the kitchen printers that take
// its category: the first send as a "厨房单" of every line, later ones as "加菜" and "退菜".
// What a printer took is recorded as sent; a ticket that failed leaves its dishes waiting for
// the next send. `recorded` is called on the window thread once the outcomes are in.
KitchenSend sendToKitchen(core::AppContext& app, const KitchenOrder& order,
                          std::function<void()> recorded);

// How many of a dish of the order the kitchen has: recorded as sent, or on its way now.
long long sentToKitchen(core::AppContext& app, const std::string& number, const std::string& dish);

// A void of what the kitchen has, inside the caller's transaction: the send record gives up
// `sent` of the dish and a "退菜" ticket is kept for each kitchen printer that takes its
// category, to be sent (sendKeptBill) once the transaction is committed. False when either
// could not be written.
struct KitchenVoid {
    std::string number, table, dish, category, reason, operatorName, approver;
    long long quantity = 0, sent = 0;
};
bool keepKitchenVoid(core::AppContext& app, const KitchenVoid& v, std::vector<KeptBill>& tickets);

// A "转台" or "并台" slip ("大厅3号 → 包间1号") kept, inside the caller's transaction, for each
// kitchen printer that took dishes of the order; sent (sendKeptBill) once that is committed.
bool keepKitchenSlip(core::AppContext& app, const std::string& number, const std::string& title,
                     const std::string& what, std::vector<KeptBill>& tickets);

}  // namespace tablora::printing
