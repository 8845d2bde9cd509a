#include "reports/report_window.h"

#include "backup/backup_service.h"
#include "core/app_context.h"
#include "core/journal_days.h"
#include "data/reports.h"
#include "reports/audit_window.h"
#include "reports/cash_movement_window.h"
#include "reports/xlsx_export.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::report {
namespace {

constexpr auto kWarn = ui::Icon::Exclamation;
// The summary's rows, and the 日结 fields that keep them, in the same order.
constexpr const char* kSummary[] = {"单数",     "人数",     "营业额",   "已结金额",
                                    "未结金额", "人均消费", "删除单数", "删除金额"};

std::vector<long long> summaryOf(const Report& r) {
    return {r.orders,    r.guests,   r.turnover,      r.settled,
            r.unsettled, r.perGuest, r.deletedOrders, r.deletedAmount};
}

}  // namespace

ReportWindow::ReportWindow(core::AppContext& app)
    : Window(app.desktop(), "ReportWindow", "营业报表", 1024, 630), m_app(app) {
    按钮_查询.onClick = [this] { query(); };
    按钮_日结.onClick = [this] { closeDay(); };
    按钮_导出.onClick = [this] { exportWorkbook(); };
    按钮_打印.onClick = [this] { print(); };
    按钮_操作记录.onClick = [this] { openAudit(); };
    按钮_现金收支.onClick = [this] { moveCash(); };
    onCloseRequested = [this] { destroy(); };
}

void ReportWindow::created() {
    m_app.placeWorkWindow(*this);
    const util::CalendarTime today = m_app.desktop().now();
    日期框_开始.setDate({today.year, today.month, today.day, 0, 0, 0});
    日期框_结束.setDate({today.year, today.month, today.day, 0, 0, 0});
    applyPermission(m_app.session().permissions);
    if (m_app.session().permissions.查询 != 0) query();
}

void ReportWindow::applyPermission(const core::PermissionSet& permissions) {
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &日期框_开始, &日期框_结束, &按钮_查询, &编辑框_现金清点, &按钮_日结, &按钮_打印,
             &按钮_操作记录})
        c->setEnabled(permissions.查询 != 0);
    按钮_导出.setEnabled(permissions.流水导出 != 0);
    按钮_现金收支.setEnabled(permissions.结账 != 0);
    if (permissions.查询 != 0) return;
    // The figures are not for a user who may not look at the journal.
    for (ui::ReportList* list : {&超级列表框_汇总, &超级列表框_付款方式, &超级列表框_时段,
                                 &超级列表框_菜品排行, &超级列表框_分类})
        list->clearRows();
    for (ui::Chart* chart : {&图表_时段, &图表_分类, &图表_营业额}) chart->setPoints({});
    标签_日结.setText("");
    标签_现金.setText("");
    标签_差额.setText("");
}

void ReportWindow::showCash(const Report& r, data::SqliteTable* close) {
    if (!oneDay()) {
        标签_现金.setText("");
        标签_差额.setText("");
        return;
    }
    if (!close) {
        标签_现金.setText("应有现金：" + std::to_string(r.cashExpected) + "元");
        标签_差额.setText("");
        return;
    }
    const long long difference = close->readInt("差额");
    标签_现金.setText("应有现金：" + std::to_string(close->readInt("应有现金")) + "元　清点现金：" +
                      std::to_string(close->readInt("清点现金")) + "元");
    标签_差额.setAlert(difference != 0);
    标签_差额.setText("差额：" + std::to_string(difference) + "元");
}

bool ReportWindow::oneDay() const {
    return core::dayNumber(日期框_开始.date()) == core::dayNumber(日期框_结束.date());
}

bool ReportWindow::findClose(data::SqliteTable& closes) {
    if (!oneDay() || !closes.open("日结", m_app.data().database)) return false;
    const auto found = closes.findAll("日期", isoDay(日期框_开始.date()));
    return !found.empty() && closes.moveTo(found.front());
}

void ReportWindow::showSummary(const std::vector<long long>& figures) {
    ui::ReportRows rows = 超级列表框_汇总.newRows();
    for (size_t i = 0; i < figures.size(); ++i)
        rows.addRow({kSummary[i], std::to_string(figures[i])});
    超级列表框_汇总.setRows(std::move(rows));
}

void ReportWindow::query() {
    if (core::dayNumber(日期框_开始.date()) > core::dayNumber(日期框_结束.date())) {
        m_app.message("开始日期不能晚于结束日期！", kWarn);
        return;
    }
    // Spans are kept within the years a restaurant can have traded in: from 2000 to next year
    // (a span from 1752 would work out centuries of empty days on the window thread).
    const util::CalendarTime today = m_app.desktop().now();
    const util::CalendarTime earliest{2000, 1, 1, 0, 0, 0}, latest{today.year + 1, 12, 31, 0, 0, 0};
    for (ui::DatePicker* box : {&日期框_开始, &日期框_结束}) {
        if (core::dayNumber(box->date()) < core::dayNumber(earliest)) box->setDate(earliest);
        if (core::dayNumber(box->date()) > core::dayNumber(latest)) box->setDate(latest);
    }
    Report r;
    if (!buildReport(m_app.data(), 日期框_开始.date(), 日期框_结束.date(), today, r)) {
        m_app.tellReadFailed();
        return;
    }
    // A closed day shows the figures it was closed with, and what came after the close.
    data::SqliteTable closes;
    const bool closed = findClose(closes);
    std::vector<long long> figures = summaryOf(r);
    if (closed)
        for (size_t i = 0; i < figures.size(); ++i) figures[i] = closes.readInt(kSummary[i]);
    showSummary(figures);
    if (closed && (r.orders != figures[0] || r.turnover != figures[2]))
        超级列表框_汇总.addRow({"日结后新增", std::to_string(r.orders - figures[0]) + "单/" +
                                                  std::to_string(r.turnover - figures[2]) + "元"});
    // The voids of the span, from their trace.
    std::vector<data::TraceEntry> trace;
    const util::CalendarTime& a = 日期框_开始.date();
    const util::CalendarTime& b = 日期框_结束.date();
    if (!data::readTraceSpan(m_app.data().database,
                             rights::traceTime({a.year, a.month, a.day, 0, 0, 0}),
                             rights::traceTime({b.year, b.month, b.day, 23, 59, 59}), trace)) {
        m_app.tellReadFailed();
        return;
    }
    long long voids = 0, voided = 0;
    for (const auto& e : trace)
        if (e.action == "退菜") {
            voids += e.quantity;
            voided += e.amount;
        }
    超级列表框_汇总.addRow({"退菜数量", std::to_string(voids)});
    超级列表框_汇总.addRow({"退菜金额", std::to_string(voided)});
    // What bills took off and added, and the money taken: as closed, for a closed day.
    long long taken = r.taken, added = r.added, received = r.received;
    data::SqliteTable extra;
    if (closed && extra.open("日结附加", m_app.data().database))
        for (int n : extra.findAll("日期", isoDay(日期框_开始.date())))
            if (extra.moveTo(n)) {
                taken = extra.readInt("优惠合计");
                added = extra.readInt("附加合计");
                received = extra.readInt("实收金额");
            }
    extra.close();
    超级列表框_汇总.addRow({"优惠合计", std::to_string(taken)});
    超级列表框_汇总.addRow({"附加合计", std::to_string(added)});
    超级列表框_汇总.addRow({"实收金额", std::to_string(received)});
    标签_日结.setText(closed ? "已日结" : "");
    showCash(r, closed ? &closes : nullptr);

    const auto fill = [](ui::ReportList& list, const std::vector<Report::Count>& counts) {
        ui::ReportRows rows = list.newRows();
        for (const auto& c : counts)
            rows.addRow({c.name, std::to_string(c.orders), std::to_string(c.amount)});
        list.setRows(std::move(rows));
    };
    fill(超级列表框_付款方式, r.methods);
    fill(超级列表框_时段, r.hours);
    ui::ReportRows dishes = 超级列表框_菜品排行.newRows();
    for (const auto& d : r.dishes)
        dishes.addRow({d.name, d.category, std::to_string(d.quantity), std::to_string(d.amount)});
    超级列表框_菜品排行.setRows(std::move(dishes));
    ui::ReportRows categories = 超级列表框_分类.newRows();
    for (const auto& c : r.categories)
        categories.addRow({c.name, std::to_string(c.quantity), std::to_string(c.amount)});
    超级列表框_分类.setRows(std::move(categories));

    std::vector<ui::ChartPoint> points;
    for (const auto& h : r.hours) points.push_back({h.name, static_cast<double>(h.amount)});
    图表_时段.setPoints(std::move(points));
    points.clear();
    for (const auto& c : r.categories) points.push_back({c.name, static_cast<double>(c.amount)});
    图表_分类.setPoints(std::move(points));
    points.clear();
    for (const auto& d : r.days)  // "12-10"
        points.push_back({d.name.substr(5), static_cast<double>(d.amount)});
    图表_营业额.setPoints(std::move(points));
}

printing::Ticket ReportWindow::reportTicket(int paperMm, const printing::ShopText& shop,
                                            const std::string& closeLines) const {
    printing::Ticket t(paperMm);
    if (!shop.name.empty()) t.title(shop.name);
    t.title(closeLines.empty() ? "营业报表" : "日结单");
    const std::string first = isoDay(日期框_开始.date()), last = isoDay(日期框_结束.date());
    t.text("日期：" + first + (first == last ? "" : " 至 " + last));
    t.rule();
    const auto pairs = [&t](const ui::ReportList& list, int value) {
        for (int r = 0; r < list.rowCount(); ++r) t.pair(list.cell(r, 0), list.cell(r, value));
    };
    pairs(超级列表框_汇总, 1);
    t.rule();
    t.text("付款方式", true);
    pairs(超级列表框_付款方式, 2);
    t.rule();
    t.text("分类", true);
    pairs(超级列表框_分类, 2);
    t.rule();
    t.dish("菜品", "数量", "", "金额", true);
    for (int r = 0; r < 超级列表框_菜品排行.rowCount() && r < 20; ++r)
        t.dish(超级列表框_菜品排行.cell(r, 0), 超级列表框_菜品排行.cell(r, 2), "",
               超级列表框_菜品排行.cell(r, 3));
    if (!closeLines.empty()) {
        t.rule();
        size_t at = 0;
        while (at < closeLines.size()) {
            const size_t end = closeLines.find('\n', at);
            const std::string line = closeLines.substr(at, end - at);
            const size_t colon = line.find('\t');
            t.pair(line.substr(0, colon), colon == std::string::npos ? "" : line.substr(colon + 1));
            if (end == std::string::npos) break;
            at = end + 1;
        }
    }
    return t;
}

void ReportWindow::openAudit() {
    AuditWindow window(m_app, 日期框_开始.date(), 日期框_结束.date());
    if (window.refresh()) m_app.showDialog(window, *this);
}

void ReportWindow::moveCash() {
    CashMovementWindow window(m_app);
    m_app.showDialog(window, *this);
    if (window.kept() && m_app.session().permissions.查询 != 0) query();
}

void ReportWindow::print() {
    if (!printing::printOnBillPrinter(
            m_app,
            [this](int mm, const printing::ShopText& shop) { return reportTicket(mm, shop, ""); },
            "营业报表 " + isoDay(日期框_开始.date())))
        m_app.message("没有设置账单打印机！", kWarn);
}

void ReportWindow::exportWorkbook() {
    const std::string proposed = "Tablora_营业报表_" + isoDay(日期框_开始.date()) + "_" +
                                 isoDay(日期框_结束.date()) + ".xlsx";
    const auto chosen = m_app.desktop().saveDialog("保存文件", proposed, "Excel文件(*.xlsx)");
    if (!chosen || chosen->empty()) return;
    std::string path = *chosen;
    std::string lower = path;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower.size() < 5 || lower.compare(lower.size() - 5, 5, ".xlsx") != 0) path += ".xlsx";
    std::vector<Sheet> sheets;
    const auto sheetOf = [&sheets](const std::string& name, const ui::ReportList& list,
                                   std::vector<bool> numeric) {
        Sheet sheet{name, {}, std::move(numeric), {}};
        for (const auto& column : list.columns()) sheet.titles.push_back(column.title);
        for (int r = 0; r < list.rowCount(); ++r) sheet.rows.push_back(list.row(r));
        sheets.push_back(std::move(sheet));
    };
    sheetOf("汇总", 超级列表框_汇总, {false, true});
    sheetOf("付款方式", 超级列表框_付款方式, {false, true, true});
    sheetOf("菜品排行", 超级列表框_菜品排行, {false, false, true, true});
    sheetOf("分类", 超级列表框_分类, {false, true, true});
    sheetOf("时段", 超级列表框_时段, {false, true, true});
    if (writeWorkbook(path, sheets))
        m_app.message("保存成功！", ui::Icon::Information);
    else
        m_app.message("保存失败，请检查！", kWarn);
}

void ReportWindow::closeDay() {
    if (!oneDay()) {
        m_app.message("日结只能选择一天，请检查日期！", kWarn);
        return;
    }
    data::SqliteTable closes;
    if (findClose(closes)) {
        m_app.message("该日已日结！", kWarn);
        return;
    }
    Report r;
    if (!buildReport(m_app.data(), 日期框_开始.date(), 日期框_结束.date(), m_app.desktop().now(),
                     r)) {
        m_app.tellReadFailed();
        return;
    }
    if (r.unpaid > 0) {
        m_app.message("当日还有未结账的台号，请先结账！", kWarn);
        return;
    }
    const std::string counted = 编辑框_现金清点.text();
    if (counted.empty() || !util::wholeNumberIfItFits(counted) || util::wholeNumber(counted) < 0) {
        m_app.message("请正确输入金额！", kWarn);
        return;
    }
    const long long cash = util::wholeNumber(counted);
    // A drawer that does not agree is confirmed before the day is closed on it.
    if (cash != r.cashExpected &&
        m_app.desktop().messageBox(
            "现金差额" + std::to_string(cash - r.cashExpected) + "元，是否确认日结？", "信息：",
            ui::Icon::Question, ui::Buttons::YesNo) != ui::Answer::Yes)
        return;
    const std::vector<long long> figures = summaryOf(r);
    auto& database = m_app.data().database;
    // The close and its further figures are kept together or not at all.
    bool written = database.beginTransaction() && closes.open("日结", database) &&
                   closes.addNew() && closes.write("日期", isoDay(日期框_开始.date()));
    for (size_t i = 0; written && i < figures.size(); ++i)
        written = closes.write(kSummary[i], static_cast<std::int64_t>(figures[i]));
    written = written && closes.write("应有现金", static_cast<std::int64_t>(r.cashExpected)) &&
              closes.write("清点现金", static_cast<std::int64_t>(cash)) &&
              closes.write("差额", static_cast<std::int64_t>(cash - r.cashExpected)) &&
              closes.write("操作员", m_app.session().currentUser) &&
              closes.write("日结时间", util::dateText(m_app.desktop().now())) && closes.update();
    closes.close();
    data::SqliteTable extra;
    written = written && extra.open("日结附加", database) && extra.addNew() &&
              extra.write("日期", isoDay(日期框_开始.date())) &&
              extra.write("优惠合计", static_cast<std::int64_t>(r.taken)) &&
              extra.write("附加合计", static_cast<std::int64_t>(r.added)) &&
              extra.write("实收金额", static_cast<std::int64_t>(r.received)) &&
              extra.write("现金收支", static_cast<std::int64_t>(r.cashMoved)) && extra.update() &&
              database.commitTransaction();
    extra.close();
    if (!written) {
        database.rollbackTransaction();
        m_app.message("日结失败，请检查！", kWarn);
        return;
    }
    m_app.message("日结成功！", ui::Icon::Information);
    编辑框_现金清点.setText("");
    query();
    // The day's report with its cash count, on the bill printer when there is one.
    const std::string closeLines =
        "应有现金\t" + std::to_string(r.cashExpected) + "\n清点现金\t" + std::to_string(cash) +
        "\n差额\t" + std::to_string(cash - r.cashExpected) + "\n操作员\t" +
        m_app.session().currentUser + "\n日结时间\t" + util::dateText(m_app.desktop().now());
    printing::printOnBillPrinter(
        m_app,
        [&](int mm, const printing::ShopText& shop) { return reportTicket(mm, shop, closeLines); },
        "日结单 " + isoDay(日期框_开始.date()));
    // The closed day is copied at once.
    m_app.backups().copyNow();
}

}  // namespace tablora::report
