#include "printing/printer_settings_window.h"

#include <string>

#include "core/app_context.h"
#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "printing/bills.h"
#include "printing/kitchen.h"
#include "printing/transport.h"
#include "util/date_time.h"

namespace tablora::printing {
namespace {

constexpr auto kWarn = ui::Icon::Exclamation;
enum PrinterColumn { kName, kConnection, kPaper, kUse, kCategories };

}  // namespace

PrinterSettingsWindow::PrinterSettingsWindow(core::AppContext& app)
    : Window(app.desktop(), "PrinterSettingsWindow", "打印设置", 640, 616), m_app(app) {
    组合框_纸宽.addItem("58");
    组合框_纸宽.addItem("80");
    组合框_用途.addItem("账单");
    组合框_用途.addItem("厨房");
    超级列表框_打印机.onCurrentRowChanged = [this] { showSelected(); };
    按钮_添加.onClick = [this] { addPrinter(); };
    按钮_修改.onClick = [this] { modifyPrinter(); };
    按钮_删除.onClick = [this] { deletePrinter(); };
    按钮_测试打印.onClick = [this] { testPrint(); };
    按钮_保存.onClick = [this] { saveShopText(); };
    按钮_重新打印.onClick = [this] { printAgain(); };
    按钮_删除单据.onClick = [this] { deleteJob(); };
    按钮_关闭.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

void PrinterSettingsWindow::created() {
    const bool allowed = m_app.session().permissions.设置餐台 != 0;
    // Whatever prints or changes something is the manager's: a connection may name any file.
    for (ui::Button* b : {&按钮_添加, &按钮_修改, &按钮_删除, &按钮_测试打印, &按钮_保存,
                          &按钮_重新打印, &按钮_删除单据})
        b->setEnabled(allowed);
    组合框_纸宽.select(1);
    组合框_用途.select(0);
    const ShopText shop = readShopText(m_app.data().database);
    编辑框_店名.setText(shop.name);
    编辑框_页脚.setText(shop.footer);
    refresh();
}

void PrinterSettingsWindow::refresh() {
    auto& database = m_app.data().database;
    ui::ReportRows printers = 超级列表框_打印机.newRows();
    m_printerIds.clear();
    data::SqliteTable table;
    bool read = table.open("打印机", database);
    for (bool more = read && table.moveFirst(); more; more = table.skip()) {
        printers.addRow({table.readText("名称"), table.readText("连接"),
                         std::to_string(table.readInt("纸宽")), table.readText("用途"),
                         table.readText("分类")});
        m_printerIds.push_back(table.rowid());
    }
    read = read && !table.readFailed();
    ui::ReportRows jobs = 超级列表框_任务.newRows();
    m_jobIds.clear();
    data::SqliteTable kept;
    read = read && kept.open("打印任务", database);
    for (bool more = read && kept.moveFirst(); more; more = kept.skip()) {
        jobs.addRow({kept.readText("时间"), kept.readText("打印机"), kept.readText("说明")});
        m_jobIds.push_back(kept.rowid());
    }
    read = read && !kept.readFailed();
    if (!read) {
        m_app.tellReadFailed();
        return;
    }
    超级列表框_打印机.setRows(std::move(printers));
    超级列表框_任务.setRows(std::move(jobs));
    showUntakenCategories();
}

void PrinterSettingsWindow::showUntakenCategories() {
    std::string untaken;
    for (const auto& name : categoriesNoKitchenTakes(m_app))
        untaken += (untaken.empty() ? "" : "、") + name;
    标签_未送厨分类.setText(untaken.empty() ? "" : "没有厨房打印机的分类：" + untaken);
}

void PrinterSettingsWindow::showSelected() {
    const int row = 超级列表框_打印机.currentRow();
    if (row < 0) return;
    编辑框_名称.setText(超级列表框_打印机.cell(row, kName));
    编辑框_连接.setText(超级列表框_打印机.cell(row, kConnection));
    组合框_纸宽.select(超级列表框_打印机.cell(row, kPaper) == "58" ? 0 : 1);
    组合框_用途.select(超级列表框_打印机.cell(row, kUse) == "厨房" ? 1 : 0);
    编辑框_分类.setText(超级列表框_打印机.cell(row, kCategories));
}

bool PrinterSettingsWindow::typedUsable() {
    if (编辑框_名称.text().empty()) {
        m_app.message("请填写打印机名称！", kWarn);
        return false;
    }
    if (!isKnownConnection(编辑框_连接.text())) {
        m_app.message(
            "连接格式不正确，请填写 tcp://地址:端口、file:路径、cups:队列 或 system:队列！", kWarn);
        return false;
    }
    if (namesDataFile(m_app, 编辑框_连接.text())) {
        m_app.message("不能打印到数据文件，请检查！", kWarn);
        return false;
    }
    return true;
}

bool PrinterSettingsWindow::writeTyped(bool adding) {
    data::SqliteTable table;
    const int row = 超级列表框_打印机.currentRow();
    if (!table.open("打印机", m_app.data().database)) return false;
    // A change reaches the very printer listed, and only while it is still the one shown.
    const bool placed = adding ? table.addNew()
                               : row >= 0 && static_cast<size_t>(row) < m_printerIds.size() &&
                                     table.moveToRowid(m_printerIds[static_cast<size_t>(row)]) &&
                                     table.readText("名称") == 超级列表框_打印机.cell(row, kName) &&
                                     table.edit();
    return placed && table.write("名称", 编辑框_名称.text()) &&
           table.write("连接", 编辑框_连接.text()) &&
           table.write("纸宽", 组合框_纸宽.selectedIndex() == 0 ? 58 : 80) &&
           table.write("用途", 组合框_用途.text()) && table.write("分类", 编辑框_分类.text()) &&
           table.update();
}

void PrinterSettingsWindow::addPrinter() {
    if (!typedUsable()) return;
    const bool added = writeTyped(true);
    refresh();
    m_app.tellOutcome(added, "添加");
}

void PrinterSettingsWindow::modifyPrinter() {
    if (超级列表框_打印机.currentRow() < 0) {
        m_app.message("请选择要操作的打印机！", kWarn);
        return;
    }
    if (!typedUsable()) return;
    const bool modified = writeTyped(false);
    refresh();
    m_app.tellOutcome(modified, "修改");
}

void PrinterSettingsWindow::deletePrinter() {
    const int row = 超级列表框_打印机.currentRow();
    if (row < 0) {
        m_app.message("请选择要操作的打印机！", kWarn);
        return;
    }
    data::SqliteTable table;
    const bool deleted = table.open("打印机", m_app.data().database) &&
                         table.moveToRowid(m_printerIds[static_cast<size_t>(row)]) &&
                         table.readText("名称") == 超级列表框_打印机.cell(row, kName) &&
                         table.deleteCurrent();
    table.close();
    refresh();
    m_app.tellOutcome(deleted, "删除");
}

void PrinterSettingsWindow::testPrint() {
    if (!typedUsable()) return;
    Ticket t(组合框_纸宽.selectedIndex() == 0 ? 58 : 80);
    const ShopText shop = readShopText(m_app.data().database);
    if (!shop.name.empty()) t.title(shop.name);
    t.title("测试打印");
    t.text("打印机：" + 编辑框_名称.text());
    t.text("时间：" + util::dateText(m_app.desktop().now()));
    t.rule();
    t.dish("菜品", "数量", "单价", "金额", true);
    t.dish("宫保鸡丁", "1", "28", "28");
    t.bigDish("水煮鱼", "2");
    const std::string name = 编辑框_名称.text();
    sendJob(m_app, ticketJob(name, 编辑框_连接.text(), t, "测试打印"), 0, [this](bool printed) {
        if (printed) m_app.message("测试打印成功！", ui::Icon::Information);
    });
}

void PrinterSettingsWindow::saveShopText() {
    data::SqliteTable table;
    // One record holds them: the first, made when there is none.
    const bool saved = table.open("打印设置", m_app.data().database) &&
                       (table.moveFirst() ? table.edit() : table.addNew()) &&
                       table.write("店名", 编辑框_店名.text()) &&
                       table.write("页脚", 编辑框_页脚.text()) && table.update();
    m_app.tellOutcome(saved, "保存");
}

void PrinterSettingsWindow::printAgain() {
    const int row = 超级列表框_任务.currentRow();
    if (row < 0) {
        m_app.message("请选择要打印的单据！", kWarn);
        return;
    }
    data::SqliteTable kept;
    const std::int64_t id = m_jobIds[static_cast<size_t>(row)];
    if (!kept.open("打印任务", m_app.data().database) || !kept.moveToRowid(id)) {
        refresh();
        m_app.message("打印失败，请检查！", kWarn);
        return;
    }
    // A kept bill is the cash desk's to give out again.
    const std::string what = kept.readText("说明");
    if ((what.rfind("结账单", 0) == 0 || what.rfind("预结单", 0) == 0) &&
        m_app.session().permissions.结账 == 0) {
        m_app.message("没有结账权限，不能重新打印账单！", kWarn);
        return;
    }
    const data::SqliteTable::Stored stored = kept.readStored("内容");
    PrintJob job = keptJob(kept.readText("打印机"), kept.readText("连接"), stored.bytes,
                           kept.readText("说明"));
    kept.close();
    // The printer as it is set up now, when it still exists (moved to another address).
    std::vector<Printer> printers;
    readPrinters(m_app.data().database, printers);
    for (const Printer& p : printers)
        if (p.name == job.printer &&
            p.connection.rfind("system:", 0) == job.connection.rfind("system:", 0))
            job.connection = p.connection;
    sendJob(m_app, std::move(job), id, [this, alive = m_alive](bool) {
        if (*alive && !destroyed()) refresh();
    });
}

void PrinterSettingsWindow::deleteJob() {
    const int row = 超级列表框_任务.currentRow();
    if (row < 0) {
        m_app.message("请选择要删除的单据！", kWarn);
        return;
    }
    data::SqliteTable kept;
    const bool deleted = kept.open("打印任务", m_app.data().database) &&
                         kept.moveToRowid(m_jobIds[static_cast<size_t>(row)]) &&
                         kept.deleteCurrent();
    kept.close();
    refresh();
    m_app.tellOutcome(deleted, "删除");
}

}  // namespace tablora::printing
