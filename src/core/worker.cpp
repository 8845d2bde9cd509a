#include "core/worker.h"

#include <fcntl.h>
#include <unistd.h>

namespace tablora::core {

Worker::Worker(ui::Desktop& desktop) : m_desktop(desktop) {
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) == 0)
        desktop.watchReadable(m_wake[0], [this] { deliver(); });
    m_thread = std::thread([this] { run(); });
}

Worker::~Worker() {
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

void Worker::post(std::function<void()> work, std::function<void()> then) {
    std::lock_guard lock(m_mutex);
    m_waiting.push_back({std::move(work), std::move(then)});
    m_changed.notify_all();
}

bool Worker::busy() {
    std::lock_guard lock(m_mutex);
    return !m_waiting.empty() || m_working > 0;
}

void Worker::dropWaiting() {
    std::lock_guard lock(m_mutex);
    m_waiting.clear();
    m_changed.notify_all();
}

void Worker::run() {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_waiting.empty() || m_stopping; });
            if (m_waiting.empty()) return;
            task = std::move(m_waiting.front());
            m_waiting.pop_front();
            ++m_working;
        }
        if (task.work) task.work();
        {
            std::lock_guard lock(m_mutex);
            --m_working;
            m_finished.push_back(std::move(task));
            m_changed.notify_all();
        }
        if (m_wake[1] >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
        }
    }
}

void Worker::deliver() {
    char drain[64];
    while (m_wake[0] >= 0 && ::read(m_wake[0], drain, sizeof drain) > 0) {
    }
    for (;;) {
        Task task;
        {
            std::lock_guard lock(m_mutex);
            if (m_finished.empty()) return;
            task = std::move(m_finished.front());
            m_finished.pop_front();
        }
        if (task.then) task.then();
    }
}

void Worker::finishAll() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_waiting.empty() && m_working == 0; });
    }
    deliver();
}

}  // namespace tablora::core
