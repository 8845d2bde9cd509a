#include "board/table_moves.h"

#include <cstdint>
#include <map>
#include <vector>

#include "core/dish_notes.h"
#include "util/text.h"

namespace tablora::board {
namespace {

// The journal record of an unpaid order still as the board read it: current on the cursor.
bool reachOpen(data::SqliteTable& journal, const OpenOrder& order, bool amountToo) {
    for (int n : journal.findAll("单号", order.number)) {
        if (!journal.moveTo(n)) return false;
        if (journal.readInt("状态") != 0 || journal.readText("台号") != order.table) continue;
        if (amountToo &&
            (journal.readInt("金额") != order.amount || journal.readInt("人数") != order.guests))
            return false;
        return true;
    }
    return false;
}

// Runs `write` in one transaction; everything is undone when it or the commit fails.
template <class Write>
bool inTransaction(data::DataContext& data, Write&& write) {
    auto& database = data.database;
    if (!database.isOpen()) data.openOnDemand(data.journalCursor);
    if (!database.beginTransaction()) return false;
    if (write() && database.commitTransaction()) return true;
    database.rollbackTransaction();
    return false;
}

}  // namespace

bool readOpenOrders(data::DataContext& data, std::vector<OpenOrder>& orders) {
    auto& journal = data.openOnDemand(data.journalCursor);
    data::forEachMatch(journal, "状态", 0, [&](data::SqliteTable&) {
        orders.push_back({journal.readText("单号"), journal.readText("台号"),
                          journal.readText("时间"), journal.readInt("人数"),
                          journal.readInt("金额")});
        return false;
    });
    const bool read = !journal.readFailed();
    journal.close();
    return read;
}

MoveOutcome moveOrder(data::DataContext& data, const OpenOrder& order, const std::string& table,
                      const std::function<bool()>& alsoInside) {
    MoveOutcome outcome = MoveOutcome::Failed;
    inTransaction(data, [&] {
        auto& journal = data.openOnDemand(data.journalCursor);
        bool taken = false;
        data::forEachMatch(journal, "状态", 0, [&](data::SqliteTable&) {
            taken = journal.readText("台号") == table;
            return taken;
        });
        if (journal.readFailed()) return false;
        if (taken) {
            outcome = MoveOutcome::TargetTaken;
            return false;
        }
        const bool moved = reachOpen(journal, order, false) && journal.edit() &&
                           journal.write("台号", table) && journal.update() &&
                           (!alsoInside || alsoInside());
        journal.close();
        if (moved) outcome = MoveOutcome::Moved;
        return moved;
    });
    data.journalCursor.close();
    return outcome;
}

bool mergeOrders(data::DataContext& data, const OpenOrder& into, const OpenOrder& other,
                 const std::function<bool()>& alsoInside) {
    if (into.number == other.number) return false;
    const bool merged = inTransaction(data, [&] {
        auto& journal = data.openOnDemand(data.journalCursor);
        if (!reachOpen(journal, other, true) || !journal.deleteCurrent()) return false;
        if (!reachOpen(journal, into, false)) return false;
        const long long guests = journal.readInt("人数") + other.guests;

        // This order's lines by dish, then the other's folded in or moved behind them.
        auto& lines = data.openOnDemand(data.detailCursor);
        struct Line {
            std::int64_t rowid;
            std::string dish, price, category;
            long long quantity, amount;
        };
        const auto linesOf = [&](const std::string& number, std::vector<Line>& out) {
            for (int n : lines.findAll("单号", number)) {
                if (!lines.moveTo(n)) return false;
                out.push_back({lines.rowid(), lines.readText("菜品"), lines.readText("单价"),
                               lines.readText("分类"), lines.readInt("数量"),
                               lines.readInt("金额")});
            }
            return !lines.readFailed();
        };
        std::vector<Line> mine, theirs;
        if (!linesOf(into.number, mine) || !linesOf(other.number, theirs)) return false;
        long long total = 0;
        for (const auto& line : mine) total += line.amount;
        for (const auto& line : theirs) {
            total += line.amount;
            Line* same = nullptr;
            for (auto& m : mine)
                if (m.dish == line.dish) same = &m;
            if (!lines.moveToRowid(line.rowid) || !lines.deleteCurrent()) return false;
            if (same) {
                same->quantity += line.quantity;
                same->amount += line.amount;
                if (!lines.moveToRowid(same->rowid) || !lines.edit() ||
                    !lines.write("数量", static_cast<std::int64_t>(same->quantity)) ||
                    !lines.write("金额", static_cast<std::int64_t>(same->amount)) ||
                    !lines.update())
                    return false;
            } else if (!lines.addNew() || !lines.write("单号", into.number) ||
                       !lines.write("菜品", line.dish) || !lines.write("单价", line.price) ||
                       !lines.write("数量", static_cast<std::int64_t>(line.quantity)) ||
                       !lines.write("金额", static_cast<std::int64_t>(line.amount)) ||
                       !lines.write("分类", line.category) || !lines.update()) {
                return false;
            }
        }
        lines.close();
        if (!core::carryDishNotes(data, other.number, into.number)) return false;
        if (!reachOpen(journal, into, false) || !journal.edit() ||
            !journal.write("人数", static_cast<std::int64_t>(guests)) ||
            !journal.write("金额", static_cast<std::int64_t>(total)) || !journal.update())
            return false;
        journal.close();
        // What the kitchen was sent of the other order is now this order's, one record a dish:
        // a dish both had sent is added up, or the next ticket would take back what is eaten.
        const auto foldSent = [&] {
            const data::CursorUse use(data, data.sentCursor);
            data::SqliteTable& sent = *use;
            if (!sent.isOpen()) return true;  // a file without printing
            std::map<std::string, std::pair<std::int64_t, std::int64_t>> kept;  // dish: rowid, qty
            for (int n : sent.findAll("单号", into.number))
                if (sent.moveTo(n))
                    kept[sent.readText("菜品")] = {sent.rowid(), sent.readInt("数量")};
            std::vector<std::int64_t> moved;
            for (int n : sent.findAll("单号", other.number))
                if (sent.moveTo(n)) moved.push_back(sent.rowid());
            if (sent.readFailed()) return false;
            for (const std::int64_t rowid : moved) {
                if (!sent.moveToRowid(rowid)) return false;
                const auto same = kept.find(sent.readText("菜品"));
                if (same == kept.end()) {
                    if (!sent.edit() || !sent.write("单号", into.number) || !sent.update())
                        return false;
                    continue;
                }
                same->second.second += sent.readInt("数量");
                if (!sent.deleteCurrent() || !sent.moveToRowid(same->second.first) ||
                    !sent.edit() || !sent.write("数量", same->second.second) || !sent.update())
                    return false;
            }
            return !sent.readFailed();
        };
        return foldSent() && (!alsoInside || alsoInside());
    });
    data.journalCursor.close();
    data.detailCursor.close();
    return merged;
}

}  // namespace tablora::board
