#include "backup/backup_window.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "backup/backup_service.h"
#include "core/app_context.h"
#include "data/backup.h"

namespace tablora::backup {
namespace {

constexpr auto kWarn = ui::Icon::Exclamation;

std::string sizeText(long long bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string timeText(const util::CalendarTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

}  // namespace

BackupWindow::BackupWindow(core::AppContext& app)
    : Window(app.desktop(), "BackupWindow", "数据备份", 640, 460), m_app(app) {
    按钮_立即备份.onClick = [this] { copyNow(); };
    按钮_恢复.onClick = [this] { restore(); };
    按钮_保存.onClick = [this] { saveFolder(); };
    按钮_关闭.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

void BackupWindow::created() {
    auto& service = m_app.backups();
    标签_备份文件夹.setText(service.mainFolder());
    编辑框_第二文件夹.setText(service.secondFolder());
    refresh();
    if (service.busy()) {
        // A copy of the program's own is under way: the buttons come back when it is done.
        setWorking("正在备份……");
        service.afterCopies([this, alive = m_alive] {
            if (!*alive) return;
            setWorking("");
            refresh();
        });
    }
}

void BackupWindow::refresh() {
    ui::ReportRows rows = 超级列表框_备份.newRows();
    std::vector<data::BackupFile> files;
    for (const auto& folder : m_app.backups().folders()) {
        auto more = data::listBackups(folder);
        files.insert(files.end(), more.begin(), more.end());
    }
    // Newest first, whichever folder holds it.
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return std::filesystem::path(a.path).filename() > std::filesystem::path(b.path).filename();
    });
    m_paths.clear();
    for (const auto& file : files) {
        const long long records = data::journalRecordsOf(file.path);
        rows.addRow({timeText(file.time), sizeText(file.bytes),
                     records < 0 ? "?" : std::to_string(records),
                     std::filesystem::path(file.path).parent_path().string()});
        m_paths.push_back(file.path);
    }
    超级列表框_备份.setRows(std::move(rows));
}

void BackupWindow::setWorking(const std::string& what) {
    for (ui::Button* b : {&按钮_立即备份, &按钮_恢复, &按钮_保存}) b->setEnabled(what.empty());
    标签_状态.setText(what);
}

void BackupWindow::copyNow() {
    setWorking("正在备份……");
    m_app.backups().copyNow([this, alive = m_alive](bool ok, const std::string&) {
        if (!*alive) return;
        setWorking("");
        refresh();
        if (ok)
            m_app.message("数据备份成功！", ui::Icon::Information);
        else
            m_app.message("数据备份失败，请检查备份文件夹！", kWarn);
    });
}

void BackupWindow::restore() {
    const int row = 超级列表框_备份.currentRow();
    if (row < 0 || static_cast<size_t>(row) >= m_paths.size()) {
        m_app.message("请选择要恢复的备份！", kWarn);
        return;
    }
    if (m_app.desktop().messageBox("恢复后，当前数据将被替换为所选备份。是否继续？", "信息：",
                                   ui::Icon::Question, ui::Buttons::YesNo) != ui::Answer::Yes)
        return;
    setWorking("正在恢复……");
    m_app.backups().restore(m_paths[static_cast<size_t>(row)], [this, alive = m_alive](bool ok) {
        if (!*alive) return;
        setWorking("");
        refresh();
        m_app.tellOutcome(ok, "恢复");
    });
}

void BackupWindow::saveFolder() {
    const std::string folder = 编辑框_第二文件夹.text();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        m_app.message("备份文件夹不存在，请检查！", kWarn);
        return;
    }
    m_app.tellOutcome(m_app.backups().setSecondFolder(folder), "保存");
    refresh();
}

}  // namespace tablora::backup
