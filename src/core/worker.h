#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "ui/desktop.h"

namespace tablora::core {

// Slow work (a printer that does not answer, a copy of the whole database) done on a thread of
// its own, one task after another in the order given, so the window never waits for it; what
// follows a task runs afterwards on the window thread.
class Worker {
  public:
    explicit Worker(ui::Desktop& desktop);
    // Every task given is done first: nothing is dropped because the program closes.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void post(std::function<void()> work, std::function<void()> then);
    // Waits for every task given so far and runs what follows them now: a script's next step
    // then sees their outcome.
    void finishAll();
    // True while a task is waiting or being done.
    bool busy();
    // Forgets the tasks not yet begun (and what would follow them).
    void dropWaiting();

  private:
    struct Task {
        std::function<void()> work, then;
    };
    void run();
    void deliver();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Task> m_waiting;   // not yet begun
    std::deque<Task> m_finished;  // done, what follows not yet run
    int m_working = 0;
    bool m_stopping = false;
    ui::Desktop& m_desktop;
    int m_wake[2] = {-1, -1};  // the thread writes a byte here when a task is done
    std::thread m_thread;
};

}  // namespace tablora::core
