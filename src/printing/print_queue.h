#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/worker.h"
#include "ui/desktop.h"

namespace tablora::printing {

struct PrintJob {
    std::string printer;     // the name the staff know it by
    std::string connection;  // where its bytes go
    std::string bytes;       // for a receipt printer
    std::string what;        // "结账单 20250307120000", for the list of failed jobs
    // For a printer reached as "system:...": the ticket drawn instead.
    std::vector<ui::TicketLine> drawn;
    int paperMm = 80, columns = 48;
};

// Sends print jobs one after another on a thread of its own, so a printer that does not
// answer never holds up the window; each job's outcome is handed back on the window thread.
class PrintQueue {
  public:
    using Done = std::function<void(const PrintJob& job, bool printed)>;
    explicit PrintQueue(ui::Desktop& desktop) : m_desktop(desktop), m_worker(desktop) {}

    void submit(PrintJob job, Done done);

    // Dishes on their way to the kitchen, by order then dish: the quantity a ticket under way
    // will record as sent. Counted as sent meanwhile, so a second 送厨 does not print them again.
    using InFlight = std::map<std::string, std::map<std::string, long long>>;
    InFlight& kitchenInFlight() { return m_kitchenInFlight; }
    // Waits for every job submitted so far and hands their outcomes back now: a script's next
    // step then sees what printing said.
    void finishAll() { m_worker.finishAll(); }
    // As the program closes: the job under way is finished and its outcome recorded; those
    // not begun are not tried (a hung printer would hold the exit for each): a bill stays
    // among the kept jobs, a kitchen ticket's dishes wait for the next 送厨.
    void finishAtExit() {
        m_worker.dropWaiting();
        m_worker.finishAll();
    }

  private:
    ui::Desktop& m_desktop;
    InFlight m_kitchenInFlight;
    // Jobs still waiting when the program closes are sent first: a receipt is never dropped
    // because the cashier closed the window.
    core::Worker m_worker;
};

}  // namespace tablora::printing
