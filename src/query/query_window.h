#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/sqlite_table.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
struct PermissionSet;
}  // namespace tablora::core

namespace tablora::query {

// The journal: every order, one order by its number or the orders of a range of days, with
// running totals; the lines of the selected order; deleting an order; the two exports.
class QueryWindow : public ui::Window {
  public:
    explicit QueryWindow(core::AppContext& app);
    void created();
    void applyPermission(const core::PermissionSet& permissions);

    void QueryAllOrders();
    void QueryOrderByNumber();
    void QueryOrdersByDate();
    void ShowOrderLines();
    void DeleteSelectedOrder();
    void ExportJournalList();
    void ExportSelectedOrder();

    enum JournalColumn { 序号, 系统单号, 开台时间, 台号, 人数, 总金额, 结账状态, 操作员, 结账备注 };

    ui::GroupBox 分组框1{*this, "分组框1", {4, -1, 1016, 627}};
    ui::Button 按钮_查询全部{*this, "按钮_查询全部", "全部", {7, 13, 72, 24}, &分组框1};
    ui::Label 透明标签1{*this, "透明标签1", "单号：", {143, 17, 37, 16}, &分组框1, true};
    ui::EditBox 编辑框_单号{
        *this, "编辑框_单号", ui::EditMode::Plain, {190, 14, 161, 22}, &分组框1};
    ui::Button 按钮_查询单号{*this, "按钮_查询单号", "查询", {369, 13, 56, 24}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "日期：", {502, 17, 40, 16}, &分组框1, true};
    ui::DatePicker 日期框1{*this, "日期框1", {554, 13, 136, 24}, &分组框1};
    ui::Label 透明标签3{*this, "透明标签3", "——", {701, 13, 32, 24}, &分组框1, true};
    ui::DatePicker 日期框2{*this, "日期框2", {738, 13, 136, 24}, &分组框1};
    ui::Button 按钮_查询时间{*this, "按钮_查询时间", "查询", {897, 13, 64, 24}, &分组框1};
    ui::ReportList 超级列表框_流水{*this,
                                   "超级列表框_流水",
                                   {{"序号", 50, ui::Align::Left},
                                    {"系统单号", 160, ui::Align::Left},
                                    {"开台时间", 270, ui::Align::Left},
                                    {"台号", 110, ui::Align::Center},
                                    {"人数", 50, ui::Align::Right},
                                    {"总金额", 70, ui::Align::Right},
                                    {"结账状态", 100, ui::Align::Center},
                                    {"操作员", 110, ui::Align::Center},
                                    {"结账备注", 300, ui::Align::Left}},
                                   {3, 42, 1010, 250},
                                   &分组框1};
    ui::Label 透明标签4{*this, "透明标签4", "人数合计：", {24, 302, 72, 24}, &分组框1, true};
    ui::Label 标签_人数合计{*this, "标签_人数合计", "", {101, 302, 72, 24}, &分组框1};
    ui::Label 透明标签5{*this, "透明标签5", "金额合计：", {207, 302, 72, 24}, &分组框1, true};
    ui::Label 标签_金额合计{*this, "标签_金额合计", "", {284, 302, 72, 24}, &分组框1};
    ui::Label 透明标签6{*this, "透明标签6", "已结合计：", {394, 302, 72, 24}, &分组框1, true};
    ui::Label 标签_已结合计{*this, "标签_已结合计", "", {474, 302, 72, 24}, &分组框1};
    ui::Label 透明标签7{*this, "透明标签7", "未结合计：", {588, 302, 72, 24}, &分组框1, true};
    ui::Label 标签_未结合计{*this, "标签_未结合计", "", {665, 302, 72, 24}, &分组框1};
    ui::Button 按钮_删除{*this, "按钮_删除", "删除选中", {780, 302, 88, 24}, &分组框1};
    ui::Button 按钮_流水导出{
        *this, "按钮_流水导出", "流水导出Excel", {888, 302, 112, 24}, &分组框1};
    ui::Line 外形框1{*this, "外形框1", {4, 334, 1008, 1}, &分组框1};
    ui::ReportList 超级列表框_明细{*this,
                                   "超级列表框_明细",
                                   {{"序号", 50, ui::Align::Left},
                                    {"系统单号", 160, ui::Align::Left},
                                    {"菜品名称", 150, ui::Align::Center},
                                    {"单价", 70, ui::Align::Right},
                                    {"数量", 70, ui::Align::Right},
                                    {"金额", 70, ui::Align::Right},
                                    {"菜品分类", 120, ui::Align::Center}},
                                   {3, 337, 697, 286},
                                   &分组框1};
    ui::Label 透明标签8{*this, "透明标签8", "单号：", {745, 373, 60, 20}, &分组框1, true};
    ui::Label 标签_单号{*this, "标签_单号", "", {806, 369, 160, 24}, &分组框1};
    ui::Label 透明标签12{*this, "透明标签12", "时间：", {745, 410, 60, 20}, &分组框1, true};
    ui::Label 标签_时间{*this, "标签_时间", "", {806, 406, 160, 24}, &分组框1};
    ui::Label 透明标签9{*this, "透明标签9", "台号：", {745, 447, 60, 20}, &分组框1, true};
    ui::Label 标签_台号{*this, "标签_台号", "", {806, 443, 160, 24}, &分组框1};
    ui::Label 透明标签10{*this, "透明标签10", "人数：", {745, 484, 60, 20}, &分组框1, true};
    ui::Label 标签_人数{*this, "标签_人数", "", {806, 480, 160, 24}, &分组框1};
    ui::Label 透明标签11{*this, "透明标签11", "金额：", {745, 524, 60, 20}, &分组框1, true};
    ui::Label 标签_金额{*this, "标签_金额", "", {806, 520, 160, 24}, &分组框1};
    ui::Button 按钮_单台导出{
        *this, "按钮_单台导出", "单台导出Excel", {806, 565, 160, 32}, &分组框1};
    // A settled bill: what was taken off it and the money taken; reopening it.
    ui::Label 标签_优惠{*this, "标签_优惠", "", {745, 342, 120, 22}, &分组框1, true};
    ui::Label 标签_实收{*this, "标签_实收", "", {870, 342, 140, 22}, &分组框1, true};
    ui::Button 按钮_反结账{*this, "按钮_反结账", "反结账", {714, 565, 86, 32}, &分组框1};

  private:
    void showPaid(const std::string& number, bool settled);
    // The query last made, again (after a change).
    void repeatQuery();
    void reopen();
    // The 删除记录 row of the journal record current on `journal`, with its lines as text.
    bool traceDeletion(data::SqliteTable& journal, const std::string& detail);
    struct Totals {
        long long guests = 0, amount = 0, settled = 0, unsettled = 0;
    };
    // A journal list read from the file: a row for each record found, known by its rowid, its
    // cells read from the file when the list first shows it; and the totals.
    struct Journal {
        explicit Journal(ui::ReportRows empty) : rows(std::move(empty)) {}
        ui::ReportRows rows;
        Totals totals;
    };
    Journal newJournal();
    // A record found: its row at the end of the list, its figures added to the totals.
    void addJournalRecord(Journal& journal, std::int64_t rowid, int guests, int amount, int state);
    // The same for the record current on journalCursor.
    void addJournalRecord(Journal& journal);
    // Fills rows first..first+count-1 of a journal list with their records' fields.
    bool readJournalRows(ui::ReportRows& rows, int first, int count);
    // One journal record's fields, as the list shows them.
    struct JournalFields {
        std::string_view number, opened, table;
        int guests = 0, amount = 0, state = 0;
        std::string_view operatorName, remark;
    };
    static void fillJournalRow(ui::ReportRows& rows, int row, const JournalFields& fields);
    void clearListsAndTotals();
    // Shows what a query read, totalled, and remembers the kind of query to repeat. A list
    // that could not be read stays as it was; one that found nothing says so.
    void finishQuery(int kind, const std::string& noneFound, Journal journal, bool read);
    // Writes one of the two lists to a file the user names; the proposed name starts so.
    void exportList(ui::ReportList& list, const std::string& namePrefix, const std::string& title);

    core::AppContext& m_app;
    // Reads the journal list's rows as they are shown; its own cursor, so a row shown while
    // another window's step waits on a message never closes that window's cursor.
    data::SqliteTable m_rowReader;
};

}  // namespace tablora::query
