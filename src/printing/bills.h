#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "printing/print_queue.h"

#include "printing/ticket.h"

namespace tablora::core {
class AppContext;
}
namespace tablora::data {
class SqliteDB;
}

namespace tablora::printing {

struct Printer {
    std::string name, connection;
    int paperMm = 80;
    std::string use;         // "账单" or "厨房"
    std::string categories;  // for a kitchen printer: "热菜|凉菜", empty for every category
};
// The printers set up, in the order they were added; false when they could not be read.
bool readPrinters(data::SqliteDB& database, std::vector<Printer>& printers);

struct ShopText {
    std::string name, footer;
};
ShopText readShopText(data::SqliteDB& database);

struct BillLine {
    std::string dish, price, quantity, amount;
};
// An order as the cash desk shows it.
struct BillOrder {
    std::string number, table, guests, opened, amount;
    std::vector<BillLine> lines;
    std::vector<std::string> voids;  // "宫保鸡丁×1（上菜太慢）", listed after the lines
    // What changes the amount due ("抹零", -3) and the amount due; none on a plain bill.
    std::vector<std::pair<std::string, long long>> adjustments;
    std::string due;
};
// What a settlement adds to the bill.
struct Settlement {
    std::string received, change, time, cashier, remark;
    // A bill paid several ways: each method and amount (then the change); empty for one.
    std::vector<std::pair<std::string, long long>> payments;
};

// The pre-bill ("预结单"), or the receipt ("结账单") when `settled` is given.
Ticket billTicket(int paperMm, const ShopText& shop, const BillOrder& order,
                  const Settlement* settled);

// A ticket as a job for this printer: the receipt printer's bytes, or for a "system:"
// printer the lines to draw (kept in the file as text).
PrintJob ticketJob(std::string printer, std::string connection, Ticket& ticket, std::string what);
// A job kept in the file, as ticketJob made it.
PrintJob keptJob(std::string printer, std::string connection, std::string stored, std::string what);

// Whether a connection writes into cysj.db, its log or journal, or a backup folder: no
// printer may, whatever a person typed.
bool namesDataFile(core::AppContext& app, const std::string& connection);

// Sends a job off the window thread. `kept` is its record among the jobs kept in the file,
// removed once the printer took it (0 for a job not kept). A failure is told to the person;
// `after` hears the outcome either way.
void sendJob(core::AppContext& app, PrintJob job, std::int64_t kept,
             std::function<void(bool printed)> after = {});

// A bill made for the bill printer and kept among the jobs, on the open connection (inside
// the caller's transaction, so a settlement and its receipt are kept together), then sent
// once that transaction is committed.
struct KeptBill {
    std::optional<PrintJob> job;  // none without a bill printer
    std::int64_t kept = 0;
};
// False only when there is a bill printer and the job could not be kept.
bool keepBill(core::AppContext& app, const BillOrder& order, const Settlement* settled,
              KeptBill& bill);
void sendKeptBill(core::AppContext& app, KeptBill bill);
// A ticket for this printer kept among the jobs on the open connection (inside the caller's
// transaction), to be sent with sendKeptBill once that is committed; false when not kept.
bool keepTicket(core::AppContext& app, const Printer& printer, Ticket& ticket,
                const std::string& what, KeptBill& kept);

// Sends the ticket to the bill printer (the first printer for "账单"). The job is kept in the
// file until the printer took it; when it fails the person is told, and the job stays for a
// person to print again. False (nothing sent) when no bill printer is set up.
bool printBill(core::AppContext& app, const BillOrder& order, const Settlement* settled);
// Any ticket on the bill printer, made for its paper and the shop's texts, kept and sent as a
// bill is. False (nothing sent) when no bill printer is set up.
bool printOnBillPrinter(core::AppContext& app,
                        const std::function<Ticket(int paperMm, const ShopText& shop)>& make,
                        const std::string& what);

}  // namespace tablora::printing
