#include "backup/backup_service.h"

#include <filesystem>
#include <memory>

#include "core/app_context.h"
#include "data/backup.h"
#include "data/sqlite_table.h"

namespace tablora::backup {
namespace fs = std::filesystem;
namespace {

constexpr const char* kFailed = "数据备份失败，请检查备份文件夹！";

std::string dayOf(const util::CalendarTime& t) {
    return std::to_string(t.year * 10000 + t.month * 100 + t.day);
}

}  // namespace

BackupService::BackupService(core::AppContext& app) : m_app(app), m_worker(app.desktop()) {}

std::string BackupService::databasePath() const {
    return m_app.data().databasePath();
}

std::string BackupService::mainFolder() const {
    return (fs::path(databasePath()).parent_path() / "备份").string();
}

std::string BackupService::secondFolder() const {
    auto& data = m_app.data();
    data.openOnDemand(data.displayCursor);
    data::SqliteTable table;
    if (table.open("备份设置", data.database) && table.moveFirst())
        return table.readText("第二文件夹");
    return {};
}

bool BackupService::setSecondFolder(const std::string& folder) {
    auto& data = m_app.data();
    data.openOnDemand(data.displayCursor);
    data::SqliteTable table;
    // One record holds it: the first, made when there is none.
    return table.open("备份设置", data.database) &&
           (table.moveFirst() ? table.edit() : table.addNew()) &&
           table.write("第二文件夹", folder) && table.update();
}

std::vector<std::string> BackupService::folders() const {
    std::vector<std::string> all{mainFolder()};
    if (std::string second = secondFolder(); !second.empty()) all.push_back(second);
    return all;
}

void BackupService::afterLogin() {
    const util::CalendarTime now = m_app.desktop().now();
    const std::string today = dayOf(now);
    if (m_dailyDone == today) return;
    m_dailyDone = today;
    for (const auto& file : data::listBackups(mainFolder()))
        if (dayOf(file.time) == today) return;
    copyNow();
}

void BackupService::copyNow(Done then, const std::string& spared) {
    const util::CalendarTime now = m_app.desktop().now();
    // The moment is fixed here, before the next write of the program's.
    auto copy = std::make_shared<data::BackupCopy>();
    const bool begun = copy->begin(databasePath());
    const auto targets = folders();
    // The folder beside the file is the program's own to make; a second folder (a USB stick
    // not plugged in) is the person's, and missing is a failure.
    std::error_code error;
    fs::create_directories(targets.front(), error);
    struct Outcome {
        bool ok = true;
        std::string mainCopy;
    };
    auto outcome = std::make_shared<Outcome>();
    outcome->ok = begun;
    m_worker.post(
        [copy, targets, now, outcome, begun, spared] {
            if (!begun) return;
            for (const auto& folder : targets) {
                const data::BackupResult made = copy->copyInto(folder, now);
                if (made.ok) {
                    data::pruneBackups(folder, now, 14, 12, spared);
                    if (outcome->mainCopy.empty() && folder == targets.front())
                        outcome->mainCopy = made.path;
                } else {
                    outcome->ok = false;
                }
            }
        },
        [this, outcome, then = std::move(then)] {
            if (then) {
                then(outcome->ok, outcome->mainCopy);
            } else if (!outcome->ok && !m_failureTold) {
                m_failureTold = true;
                m_app.message(kFailed, ui::Icon::Exclamation);
            }
        });
}

void BackupService::atClose() {
    if (fs::is_regular_file(databasePath())) copyNow();
}

bool BackupService::checkAtStartUp() {
    const std::string path = databasePath();
    // What opening tells (an empty or foreign file) is told now, before anything is written.
    if (data::checkDatabaseFile(path, false) == data::FileCheck::Damaged) return offerCopy(path);
    // The whole file is read while the login window waits for the password: at a million
    // orders that takes a second, which the window does not wait for.
    auto whole = std::make_shared<data::FileCheck>(data::FileCheck::Good);
    m_wholeCheck = whole;
    m_worker.post([path, whole] { *whole = data::checkDatabaseFile(path); }, {});
    return true;
}

bool BackupService::finishStartUpCheck() {
    if (!m_wholeCheck) return true;
    m_worker.finishAll();
    const data::FileCheck whole = *m_wholeCheck;
    m_wholeCheck.reset();
    if (whole != data::FileCheck::Damaged) return true;
    // Replaced only with nothing of the program's open on it.
    m_app.data().closeUserAndDatabase();
    return offerCopy(databasePath());
}

bool BackupService::offerCopy(const std::string& path) {
    // The second folder is kept in the damaged file: read if it still can be.
    std::vector<std::string> places{mainFolder()};
    {
        data::SqliteDB damaged;
        data::SqliteTable table;
        if (damaged.open(path) && table.open("备份设置", damaged) && table.moveFirst() &&
            !table.readText("第二文件夹").empty())
            places.push_back(table.readText("第二文件夹"));
    }
    const std::string copy = data::newestGoodBackup(places);
    if (copy.empty()) {
        m_app.message("数据库文件已损坏，且没有可用的备份，请检查！", ui::Icon::Error);
        return false;
    }
    if (m_app.desktop().messageBox("数据库文件已损坏，是否从最近的备份恢复？", "信息：",
                                   ui::Icon::Question, ui::Buttons::YesNo) != ui::Answer::Yes)
        return true;
    data::replaceWithBackup(path, copy, m_app.desktop().now());
    return true;
}

void BackupService::restore(const std::string& copy, std::function<void(bool ok)> then) {
    copyNow(
        [this, copy, then = std::move(then)](bool ok, const std::string& mainCopy) {
            // Without a copy of what is there now, nothing is replaced.
            if (!ok && mainCopy.empty()) {
                then(false);
                return;
            }
            auto& data = m_app.data();
            data.openOnDemand(data.displayCursor);
            const bool restored = data::restoreInto(data.database, copy).empty();
            // Every cursor reads afresh from a connection opened again.
            data.database.close();
            m_app.reloadWindows();
            then(restored);
        },
        copy);
}

}  // namespace tablora::backup
