#include "printing/print_queue.h"

#include <fcntl.h>
#include <unistd.h>

#include "printing/transport.h"
#include "ui/desktop.h"

namespace tablora::printing {

PrintQueue::PrintQueue(ui::Desktop& desktop) : m_desktop(desktop) {
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) == 0)
        desktop.watchReadable(m_wake[0], [this] { deliver(); });
    m_thread = std::thread([this] { run(); });
}

PrintQueue::~PrintQueue() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_changed.notify_all();
    }
    m_thread.join();
    if (m_wake[0] >= 0) m_desktop.stopWatching(m_wake[0]);
    for (int fd : m_wake)
        if (fd >= 0) ::close(fd);
}

void PrintQueue::submit(PrintJob job, Done done) {
    std::lock_guard lock(m_mutex);
    m_waiting.push_back({std::move(job), std::move(done), false});
    m_changed.notify_all();
}

void PrintQueue::run() {
    for (;;) {
        Entry entry;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_waiting.empty() || m_stopping; });
            // Jobs still waiting when the program closes are sent first: a receipt is never
            // dropped because the cashier closed the window.
            if (m_waiting.empty()) return;
            entry = std::move(m_waiting.front());
            m_waiting.pop_front();
            ++m_sending;
        }
        const auto& job = entry.job;
        entry.printed = job.connection.rfind("system:", 0) == 0
                            ? m_desktop.drawTicket(job.drawn, job.paperMm, job.columns,
                                                   job.connection.substr(7))
                            : sendToPrinter(job.connection, job.bytes);
        {
            std::lock_guard lock(m_mutex);
            --m_sending;
            m_finished.push_back(std::move(entry));
            m_changed.notify_all();
        }
        if (m_wake[1] >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
        }
    }
}

void PrintQueue::deliver() {
    char drain[64];
    while (m_wake[0] >= 0 && ::read(m_wake[0], drain, sizeof drain) > 0) {
    }
    for (;;) {
        Entry entry;
        {
            std::lock_guard lock(m_mutex);
            if (m_finished.empty()) return;
            entry = std::move(m_finished.front());
            m_finished.pop_front();
        }
        if (entry.done) entry.done(entry.job, entry.printed);
    }
}

void PrintQueue::finishAll() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_waiting.empty() && m_sending == 0; });
    }
    deliver();
}

}  // namespace tablora::printing
