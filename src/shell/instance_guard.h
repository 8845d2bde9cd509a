#pragma once

#include <functional>
#include <string>

namespace tablora::ui {
class Desktop;
}

namespace tablora::shell {

// One running copy per machine. The marker is an abstract-namespace Unix socket named by the
// identifier text: nothing is written to disk and the system drops it with the process,
// however the process ends. A second copy knocks on it to bring the first one forward.
class InstanceGuard {
  public:
    static constexpr const char* kIdentifier = "Tablora—http://tablora.local/pos";

    explicit InstanceGuard(std::string identifier = kIdentifier);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // True when this copy is the first and now holds the marker.
    bool claim();
    // Asks the running copy to show its main window; gives up after timeoutMs.
    bool askRunningCopyToComeForward(int timeoutMs = 500);
    // The running copy answers knocks on the window thread.
    void listen(ui::Desktop& desktop, std::function<void()> onKnock);

  private:
    std::string m_identifier;
    int m_fd = -1;
};

}  // namespace tablora::shell
