#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    explicit PrintQueue(ui::Desktop& desktop);
    ~PrintQueue();
    PrintQueue(const PrintQueue&) = delete;
    PrintQueue& operator=(const PrintQueue&) = delete;

    void submit(PrintJob job, Done done);
    // Waits for every job submitted so far and hands their outcomes back now: a script's next
    // step then sees what printing said.
    void finishAll();

  private:
    struct Entry {
        PrintJob job;
        Done done;
        bool printed = false;
    };
    void run();
    void deliver();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Entry> m_waiting;   // not yet sent
    std::deque<Entry> m_finished;  // sent or failed, not yet handed back
    int m_sending = 0;
    bool m_stopping = false;
    ui::Desktop& m_desktop;
    int m_wake[2] = {-1, -1};  // the worker writes a byte here when a job finished
    std::thread m_thread;
};

}  // namespace tablora::printing
