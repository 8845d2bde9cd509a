#include "settings/cashier_settings_window.h"

#include <climits>

#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "core/shared_lists.h"
#include "data/data_context.h"
#include "data/sqlite_table.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::settings {
namespace {

constexpr ui::Icon kWarn = ui::Icon::Exclamation;
enum { kTable, kRate, kMinimum };

}  // namespace

CashierSettingsWindow::CashierSettingsWindow(core::AppContext& app)
    : Window(app.desktop(), "CashierSettingsWindow", "收银设置", 700, 502), m_app(app) {
    for (const char* kind : {"退菜", "赠送", "折扣", "反结账"}) 组合框_原因类型.addItem(kind);
    组合框_原因类型.select(0);
    组合框_原因类型.onSelectionChanged = [this] { showReasons(); };
    超级列表框_餐台.onCurrentRowChanged = [this] { showCharges(); };
    按钮_保存.onClick = [this] { saveCharges(); };
    选择列表框_不打折.onTickChanged = [this](int index) { tickCategory(index); };
    按钮_添加.onClick = [this] { addReason(); };
    按钮_删除.onClick = [this] { removeReason(); };
    按钮_关闭.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

void CashierSettingsWindow::created() {
    refresh();
}

bool CashierSettingsWindow::refresh() {
    auto& data = m_app.data();
    std::vector<std::string> tables, categories, ignoredIds;
    std::vector<std::int64_t> ids;
    std::set<std::string> noDiscount;
    bool ok = core::readColumn(data, data.diningTableCursor, "餐台", tables, ids) &&
              core::readColumn(data, data.categoryCursor, "分类", categories, ids) &&
              core::readNoDiscountCategories(data, noDiscount);
    ui::ReportRows rows = 超级列表框_餐台.newRows();
    for (const auto& table : tables) {
        core::TableCharges charges;
        ok = ok && core::readTableCharges(data, table, charges);
        rows.addRow(
            {table, std::to_string(charges.serviceRate) + "%", std::to_string(charges.minimum)});
    }
    if (!ok) {
        m_app.tellReadFailed();
        return false;
    }
    const int row = 超级列表框_餐台.currentRow();
    超级列表框_餐台.setRows(std::move(rows));
    if (row >= 0 && row < 超级列表框_餐台.rowCount()) 超级列表框_餐台.selectRow(row);
    选择列表框_不打折.clear();
    for (size_t i = 0; i < categories.size(); ++i) {
        选择列表框_不打折.addItem(categories[i]);
        选择列表框_不打折.setTicked(static_cast<int>(i), noDiscount.count(categories[i]) > 0);
    }
    return showReasons();
}

void CashierSettingsWindow::showCharges() {
    const int row = 超级列表框_餐台.currentRow();
    if (row < 0) return;
    std::string rate = 超级列表框_餐台.cell(row, kRate);
    if (!rate.empty()) rate.pop_back();  // the "%"
    编辑框_服务费率.setText(rate);
    编辑框_最低消费.setText(超级列表框_餐台.cell(row, kMinimum));
}

void CashierSettingsWindow::saveCharges() {
    const int row = 超级列表框_餐台.currentRow();
    if (row < 0) return m_app.message("请选择餐台！", kWarn);
    const auto rate = util::wholeNumberIn(编辑框_服务费率.text(), 0, 30);
    if (!rate) return m_app.message("服务费率应在0到30之间！", kWarn);
    const auto minimum = util::wholeNumberIn(编辑框_最低消费.text(), 0, 9999999);
    if (!minimum) return m_app.message("最低消费应在0到9999999之间！", kWarn);
    const std::string table = 超级列表框_餐台.cell(row, kTable);
    auto& database = m_app.data().database;
    // One row a table, replaced whole; a table with neither keeps no row.
    bool ok =
        database.beginTransaction() && data::carryNamed(database, "餐台收费", "台号", table, "");
    data::SqliteTable charges;
    if (ok && (*rate > 0 || *minimum > 0))
        ok = charges.open("餐台收费", database) && charges.addNew() &&
             charges.write("台号", table) &&
             charges.write("服务费率", static_cast<std::int64_t>(*rate)) &&
             charges.write("最低消费", static_cast<std::int64_t>(*minimum)) && charges.update();
    charges.close();
    if (!ok || !database.commitTransaction()) {
        database.rollbackTransaction();
        return m_app.message("保存失败，请检查！", kWarn);
    }
    m_app.message("保存成功！", ui::Icon::Information);
    refresh();
}

void CashierSettingsWindow::tickCategory(int index) {
    const std::string category = 选择列表框_不打折.itemText(index);
    auto& database = m_app.data().database;
    bool ok = database.beginTransaction() &&
              data::carryNamed(database, "不打折分类", "分类", category, "");
    data::SqliteTable rows;
    if (ok && 选择列表框_不打折.ticked(index))
        ok = rows.open("不打折分类", database) && rows.addNew() && rows.write("分类", category) &&
             rows.update();
    rows.close();
    if (!ok || !database.commitTransaction()) {
        database.rollbackTransaction();
        m_app.message("设置失败，请检查！", kWarn);
        refresh();
    }
}

bool CashierSettingsWindow::showReasons() {
    列表框_原因.clear();
    for (const auto& reason : rights::reasonsFor(m_app.data().database, 组合框_原因类型.text()))
        列表框_原因.addItem(reason);
    return true;
}

void CashierSettingsWindow::addReason() {
    const std::string reason = rights::plainText(编辑框_原因.text());
    if (reason.empty()) return m_app.message("请输入原因！", kWarn);
    if (util::characterCount(reason) > 40) return m_app.message("原因不能超过40个字！", kWarn);
    for (const auto& item : 列表框_原因.items())
        if (item == reason) return m_app.message("该原因已存在！", kWarn);
    data::SqliteTable rows;
    if (!rows.open("原因", m_app.data().database) || !rows.addNew() ||
        !rows.write("类型", 组合框_原因类型.text()) || !rows.write("原因", reason) ||
        !rows.update())
        return m_app.message("添加原因失败，请检查！", kWarn);
    m_app.message("添加原因成功！", ui::Icon::Information);
    编辑框_原因.setText("");
    showReasons();
}

void CashierSettingsWindow::removeReason() {
    const int selected = 列表框_原因.selectedIndex();
    if (selected < 0) return m_app.message("请选择要删除的原因！", kWarn);
    const std::string reason = 列表框_原因.itemText(selected);
    data::SqliteTable rows;
    bool ok = rows.open("原因", m_app.data().database);
    bool gone = false;
    for (int n : ok ? rows.findAll("原因", reason) : std::vector<int>{})
        if (!gone && rows.moveTo(n) && rows.readText("类型") == 组合框_原因类型.text())
            gone = rows.deleteCurrent();
    if (!ok || !gone) return m_app.message("删除原因失败，请检查！", kWarn);
    m_app.message("删除原因成功！", ui::Icon::Information);
    showReasons();
}

}  // namespace tablora::settings
