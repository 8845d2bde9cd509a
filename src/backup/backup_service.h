#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/worker.h"
#include "data/backup.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::backup {

// The restaurant's copies of cysj.db: after the first login of each day, when the program
// closes and when a person asks, into the folder 备份 beside the file and a second folder when
// one is set. The moment copied is fixed on the window thread in a few milliseconds; the copy
// itself is made on a thread of its own while work goes on.
class BackupService {
  public:
    explicit BackupService(core::AppContext& app);

    std::string databasePath() const;
    // 备份 beside cysj.db.
    std::string mainFolder() const;
    // The second folder kept in the file; empty when none is set.
    std::string secondFolder() const;
    bool setSecondFolder(const std::string& folder);
    // Where copies go: the main folder, then the second one when set.
    std::vector<std::string> folders() const;

    // The day's copy, unless the main folder holds one of today already.
    void afterLogin();
    // A copy now. Automatic copies report a failure once per run; `then` (on the window
    // thread) is given whether every folder got its copy, and the copy of the main folder.
    using Done = std::function<void(bool ok, const std::string& mainCopy)>;
    // `spared`: a copy the folders' pruning must keep (the one about to be restored).
    void copyNow(Done then = {}, const std::string& spared = {});
    // The copy as the program closes: the thread finishes it before the program ends.
    void atClose();
    bool busy() { return m_worker.busy(); }
    // `then` runs on the window thread once the copies under way are done.
    void afterCopies(std::function<void()> then) {
        m_worker.post([] {}, std::move(then));
    }
    // Waits for copies under way and hands their outcomes back now.
    void finishAll() { m_worker.finishAll(); }

    // Before the login window: a damaged cysj.db is offered the newest good copy. False when it
    // is damaged and there is no copy (the person was told): nothing may be written into it.
    // What opening shows (an empty or foreign file) is checked at once; the whole file on the
    // worker, its answer awaited by finishStartUpCheck() when the person logs in.
    bool checkAtStartUp();
    bool finishStartUpCheck();
    // Replaces the data with a copy's, once the current data is itself copied (so a restore can
    // be undone); every loaded window then shows it. `then` is told the outcome.
    void restore(const std::string& copy, std::function<void(bool ok)> then);

  private:
    // The restore question for a damaged file; false when there is no copy to offer.
    bool offerCopy(const std::string& path);

    core::AppContext& m_app;
    std::shared_ptr<data::FileCheck> m_wholeCheck;  // under way or unanswered at start-up
    bool m_failureTold = false;
    std::string m_dailyDone;  // the day whose copy was tried, yyyymmdd
    // Last, so it finishes its copies before anything else of the service goes.
    core::Worker m_worker;
};

}  // namespace tablora::backup
