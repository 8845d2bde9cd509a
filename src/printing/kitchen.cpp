#include "printing/kitchen.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "core/dish_notes.h"
#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "printing/bills.h"
#include "printing/print_queue.h"
#include "util/date_time.h"

namespace tablora::printing {
namespace {

using Quantities = std::map<std::string, long long>;  // dish -> quantity

Quantities ordered(const KitchenOrder& order) {
    Quantities q;
    for (const auto& line : order.lines) q[line.dish] += line.quantity;
    return q;
}

// What was sent of the order so far, dish by dish, with each dish's category (a dish taken
// off the order is taken back in its own kitchen); false when it could not be read.
bool readSent(data::DataContext& data, const std::string& number, Quantities& sent,
              std::map<std::string, std::string>* categories = nullptr) {
    const data::CursorUse table(data, data.sentCursor);
    for (int n : table->findAll("单号", number)) {
        table->moveTo(n);
        const std::string dish = table->readText("菜品");
        sent[dish] += table->readInt("数量");
        if (categories) categories->emplace(dish, table->readText("分类"));
    }
    return !table->readFailed();
}

// Records a dish as sent at this quantity: one record a dish of an order.
bool recordSent(data::DataContext& data, const std::string& number, const std::string& dish,
                const std::string& category, long long quantity) {
    const data::CursorUse use(data, data.sentCursor);
    data::SqliteTable& table = *use;
    if (!table.isOpen()) return false;
    for (int n : table.findAll("单号", number)) {
        table.moveTo(n);
        if (table.readText("菜品") == dish)
            return table.edit() && table.write("数量", static_cast<std::int64_t>(quantity)) &&
                   table.update();
    }
    return table.addNew() && table.write("单号", number) && table.write("菜品", dish) &&
           table.write("分类", category) &&
           table.write("数量", static_cast<std::int64_t>(quantity)) && table.update();
}

std::vector<std::string> categoriesOf(const Printer& p) {
    std::vector<std::string> names;
    size_t from = 0;
    while (from <= p.categories.size()) {
        const size_t bar = p.categories.find('|', from);
        const std::string name = p.categories.substr(from, bar - from);
        if (!name.empty()) names.push_back(name);
        if (bar == std::string::npos) break;
        from = bar + 1;
    }
    return names;
}

bool takes(const Printer& p, const std::string& category) {
    const auto names = categoriesOf(p);
    if (names.empty()) return true;
    for (const auto& n : names)
        if (n == category) return true;
    return false;
}

std::vector<Printer> kitchenPrinters(data::SqliteDB& database) {
    std::vector<Printer> all, kitchen;
    readPrinters(database, all);
    for (auto& p : all)
        if (p.use == "厨房") kitchen.push_back(std::move(p));
    return kitchen;
}

// Outcomes of one send: a dish is recorded once every ticket carrying it was printed.
struct SendState {
    std::map<std::string, int> ticketsLeft;
    std::set<std::string> failed;
    Quantities target;
    std::map<std::string, std::string> category;
    std::map<std::string, std::string> note;  // the note each dish carries, recorded as sent
    int jobsLeft = 0;
};

}  // namespace

namespace {

// What is sent, and what is on its way there counted as sent.
bool readSentOrUnderWay(core::AppContext& app, const std::string& number, Quantities& sent,
                        std::map<std::string, std::string>* categories = nullptr) {
    if (!readSent(app.data(), number, sent, categories)) return false;
    const auto& inFlight = app.printQueue().kitchenInFlight();
    if (const auto order = inFlight.find(number); order != inFlight.end())
        for (const auto& [dish, quantity] : order->second) sent[dish] = quantity;
    return true;
}

}  // namespace

namespace {

// The dishes the kitchen has whose note changed since (a changed note goes as "改口味").
std::map<std::string, core::DishNote> changedNotes(
    const std::map<std::string, core::DishNote>& notes, const Quantities& sent,
    const Quantities& now) {
    std::map<std::string, core::DishNote> changed;
    for (const auto& [dish, note] : notes)
        if (note.note != note.sent && now.count(dish) && sent.count(dish) && sent.at(dish) > 0)
            changed.emplace(dish, note);
    return changed;
}

}  // namespace

long long dishesWaitingForKitchen(core::AppContext& app, const KitchenOrder& order) {
    auto& database = app.data().database;
    if (kitchenPrinters(database).empty()) return -1;
    Quantities sent;
    if (order.number.empty() || !readSentOrUnderWay(app, order.number, sent)) return 0;
    Quantities now = ordered(order);
    long long waiting = 0;
    for (const auto& [dish, q] : now) waiting += std::llabs(q - sent[dish]);
    for (const auto& [dish, q] : sent)
        if (!now.count(dish)) waiting += std::llabs(q);
    waiting += static_cast<long long>(
        changedNotes(core::readDishNotes(app.data(), order.number), sent, now).size());
    return waiting;
}

long long sentToKitchen(core::AppContext& app, const std::string& number, const std::string& dish) {
    Quantities sent;
    readSentOrUnderWay(app, number, sent);
    return sent.count(dish) ? sent.at(dish) : 0;
}

bool keepKitchenVoid(core::AppContext& app, const KitchenVoid& v, std::vector<KeptBill>& tickets) {
    auto& database = app.data().database;
    Quantities sent;
    std::map<std::string, std::string> categories;
    if (!readSent(app.data(), v.number, sent, &categories)) return false;
    if (sent.count(v.dish) && !recordSent(app.data(), v.number, v.dish, categories[v.dish],
                                          std::max(0LL, sent[v.dish] - v.sent)))
        return false;
    // A dish still on its way is recorded at what remains of it once its ticket is in.
    auto& inFlight = app.printQueue().kitchenInFlight();
    if (const auto order = inFlight.find(v.number); order != inFlight.end())
        if (const auto dish = order->second.find(v.dish); dish != order->second.end())
            dish->second = std::max(0LL, dish->second - v.sent);
    if (v.sent <= 0) return true;
    const std::string time = util::dateText(app.desktop().now());
    for (const Printer& printer : kitchenPrinters(database)) {
        if (!takes(printer, v.category)) continue;
        Ticket t(printer.paperMm);
        t.title("退菜");
        t.text("台号：" + v.table);
        t.text("单号：" + v.number);
        t.text("时间：" + time);
        t.rule();
        t.bigDish(v.dish, std::to_string(v.sent));
        t.text("原因：" + v.reason);
        t.text("退菜人：" + v.operatorName +
               (v.approver.empty() ? "" : "（授权：" + v.approver + "）"));
        KeptBill kept;
        if (!keepTicket(app, printer, t, "退菜单 " + v.number, kept)) return false;
        tickets.push_back(std::move(kept));
    }
    return true;
}

bool keepKitchenSlip(core::AppContext& app, const std::string& number, const std::string& title,
                     const std::string& what, std::vector<KeptBill>& tickets) {
    auto& database = app.data().database;
    Quantities sent;
    std::map<std::string, std::string> categories;
    if (!readSent(app.data(), number, sent, &categories)) return true;  // a file without printing
    const std::string time = util::dateText(app.desktop().now());
    for (const Printer& printer : kitchenPrinters(database)) {
        bool has = false;
        for (const auto& [dish, quantity] : sent)
            has = has || (quantity > 0 && takes(printer, categories[dish]));
        if (!has) continue;
        Ticket t(printer.paperMm);
        t.title(title);
        t.text(what, true);
        t.text("单号：" + number);
        t.text("时间：" + time);
        KeptBill kept;
        if (!keepTicket(app, printer, t, title + " " + number, kept)) return false;
        tickets.push_back(std::move(kept));
    }
    return true;
}

std::vector<std::string> categoriesNoKitchenTakes(core::AppContext& app) {
    auto& data = app.data();
    const std::vector<Printer> kitchen = kitchenPrinters(data.database);
    std::vector<std::string> untaken;
    if (kitchen.empty()) return untaken;
    data::SqliteTable categories;
    if (!categories.open("分类", data.database)) return untaken;
    for (bool more = categories.moveFirst(); more; more = categories.skip()) {
        const std::string name = categories.readText("分类");
        bool taken = false;
        for (const Printer& p : kitchen) taken = taken || takes(p, name);
        if (!taken) untaken.push_back(name);
    }
    return untaken;
}

KitchenSend sendToKitchen(core::AppContext& app, const KitchenOrder& order,
                          std::function<void()> recorded) {
    auto& database = app.data().database;
    const std::vector<Printer> printers = kitchenPrinters(database);
    if (printers.empty()) return KitchenSend::NoPrinter;
    Quantities sent;
    std::map<std::string, std::string> categoryOf;
    for (const auto& line : order.lines) categoryOf.emplace(line.dish, line.category);
    if (!readSentOrUnderWay(app, order.number, sent, &categoryOf)) return KitchenSend::NothingWaits;
    const bool first = sent.empty();
    const Quantities now = ordered(order);

    auto state = std::make_shared<SendState>();
    struct Change {
        std::string dish;
        long long by;
    };
    std::vector<Change> changes;
    for (const auto& [dish, category] : categoryOf) {
        const long long target = now.count(dish) ? now.at(dish) : 0;
        const long long by = target - (sent.count(dish) ? sent.at(dish) : 0);
        if (by == 0) continue;
        changes.push_back({dish, by});
        state->target[dish] = target;
        state->category[dish] = category;
    }
    const auto notes = core::readDishNotes(app.data(), order.number);
    const auto renoted = changedNotes(notes, sent, now);
    // A comped dish the kitchen has not had yet goes out marked: the runner knows not to bill it.
    std::vector<core::Adjustment> adjustments;
    core::readAdjustments(app.data(), order.number, adjustments);
    const auto comped = core::compedDishes(adjustments);
    const auto compedNow = [&](const Change& c) {
        const auto it = comped.find(c.dish);
        const long long before = sent.count(c.dish) ? sent.at(c.dish) : 0;
        return it == comped.end() ? 0LL : std::clamp(it->second - before, 0LL, c.by);
    };
    for (const auto& [dish, note] : notes) state->note[dish] = note.note;
    for (const auto& [dish, note] : renoted) {
        state->target.emplace(dish, now.at(dish));
        state->category.emplace(dish, categoryOf[dish]);
    }
    if (changes.empty() && renoted.empty()) return KitchenSend::NothingWaits;

    const std::string time = util::dateText(app.desktop().now());
    for (const Printer& printer : printers) {
        Ticket t(printer.paperMm);
        std::vector<std::string> carried;
        const auto section = [&](bool added) {
            bool titled = false;
            for (const Change& c : changes) {
                if ((c.by > 0) != added || !takes(printer, categoryOf[c.dish])) continue;
                if (!titled) t.title(first ? "厨房单" : added ? "加菜" : "退菜");
                titled = true;
                t.bigDish(c.dish, std::to_string(c.by > 0 ? c.by : -c.by));
                if (added && compedNow(c) > 0)
                    t.text("  （赠）" + std::to_string(compedNow(c)) + "份");
                if (added && !state->note[c.dish].empty()) t.text("  ※" + state->note[c.dish]);
                carried.push_back(c.dish);
            }
        };
        // Dishes the kitchen has whose note changed: the new note, or what is no longer so.
        const auto renotedSection = [&] {
            bool titled = false;
            for (const auto& [dish, note] : renoted) {
                if (!takes(printer, categoryOf[dish])) continue;
                if (!titled) t.title("改口味");
                titled = true;
                t.bigDish(dish, std::to_string(sent[dish]));
                t.text(note.note.empty() ? "  取消：" + note.sent : "  ※" + note.note);
                if (std::find(carried.begin(), carried.end(), dish) == carried.end())
                    carried.push_back(dish);
            }
        };
        t.pair("台号：" + order.table, "人数：" + order.guests);
        t.text("单号：" + order.number);
        t.text("时间：" + time);
        t.text("点菜员：" + app.session().currentUser);
        t.rule();
        section(true);
        section(false);
        renotedSection();
        if (carried.empty()) continue;
        for (const auto& dish : carried) {
            ++state->ticketsLeft[dish];
            app.printQueue().kitchenInFlight()[order.number][dish] = state->target[dish];
        }
        ++state->jobsLeft;
        sendJob(app, ticketJob(printer.name, printer.connection, t, "厨房单 " + order.number), 0,
                [&app, state, carried, number = order.number, recorded](bool printed) {
                    auto& inFlight = app.printQueue().kitchenInFlight();
                    for (const auto& dish : carried) {
                        if (!printed) state->failed.insert(dish);
                        if (--state->ticketsLeft[dish] != 0) continue;
                        // What is on its way, less any void of it meanwhile.
                        const auto flying = inFlight[number].find(dish);
                        const long long target =
                            flying != inFlight[number].end() ? flying->second : state->target[dish];
                        if (!state->failed.count(dish)) {
                            recordSent(app.data(), number, dish, state->category[dish], target);
                            core::markNoteSent(app.data(), number, dish, state->note[dish]);
                        }
                        inFlight[number].erase(dish);
                        if (inFlight[number].empty()) inFlight.erase(number);
                    }
                    if (--state->jobsLeft == 0 && recorded) recorded();
                });
    }
    // A dish no kitchen printer takes is printed nowhere and counts as sent.
    for (const auto& [dish, target] : state->target)
        if (!state->ticketsLeft.count(dish)) {
            recordSent(app.data(), order.number, dish, categoryOf[dish], target);
            core::markNoteSent(app.data(), order.number, dish, state->note[dish]);
        }
    if (state->jobsLeft == 0 && recorded) recorded();
    return KitchenSend::Sent;
}

}  // namespace tablora::printing
