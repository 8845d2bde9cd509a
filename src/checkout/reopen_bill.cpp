#include "checkout/reopen_bill.h"

#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "data/sqlite_table.h"
#include "reports/day_report.h"
#include "rights/authorize_window.h"
#include "rights/trace.h"
#include "util/date_time.h"
#include "util/text.h"

namespace tablora::checkout {
namespace {

constexpr ui::Icon kWarn = ui::Icon::Exclamation;

bool dayClosed(data::SqliteDB& database, const std::string& opened) {
    const auto day = util::readDateText(opened);
    data::SqliteTable closes;
    return day && closes.open("日结", database) &&
           !closes.findAll("日期", report::isoDay(*day)).empty();
}

}  // namespace

bool reopenBill(core::AppContext& app, ui::Window& owner, const std::string& number) {
    auto& data = app.data();
    const rights::Approval approval = rights::askApproval(app, owner, "反结账");
    if (!approval.granted) return false;
    if (app.desktop().messageBox("确定要反结账单号" + number + "吗？", "信息：", ui::Icon::Question,
                                 ui::Buttons::YesNo) != ui::Answer::Yes)
        return false;
    const auto typed = app.desktop().inputBox("请输入反结账原因：", "反结账", "结错账");
    if (!typed) return false;
    const std::string reason = rights::plainText(*typed);
    if (reason.empty()) {
        app.message("请输入反结账原因！", kWarn);
        return false;
    }
    std::string refused;
    bool ok = data.database.beginTransaction();
    auto& journal = data.openOnDemand(data.journalCursor);
    std::string table;
    for (int n : ok ? journal.findAll("单号", number) : std::vector<int>{})
        if (journal.moveTo(n) && journal.readInt("状态") == 1) {
            table = journal.readText("台号");
            if (dayClosed(data.database, journal.readText("时间")))
                refused = "该日已日结，不能反结账！";
        }
    if (ok && table.empty()) refused = "该单已结账或已被修改，请刷新后重试！";
    if (ok && refused.empty())
        for (int n : journal.findAll("状态", 0))
            if (journal.moveTo(n) && journal.readText("台号") == table)
                refused = "该台号已有未结账单，不能反结账！";
    if (!refused.empty()) {
        journal.close();
        data.database.rollbackTransaction();
        app.message(refused, kWarn);
        return false;
    }
    // Back to unpaid, with its payments gone: what they were is kept in the trace.
    for (int n : ok ? journal.findAll("单号", number) : std::vector<int>{})
        ok = ok && journal.moveTo(n) && journal.edit() && journal.write("状态", 0) &&
             journal.update();
    journal.close();
    data::SqliteTable payments;
    std::string paid;
    long long amount = 0;
    ok = ok && payments.open("结账", data.database);
    const std::vector<int> rows = ok ? payments.findAll("单号", number) : std::vector<int>{};
    for (auto it = rows.rbegin(); ok && it != rows.rend(); ++it) {
        ok = payments.moveTo(*it);
        const long long taken = payments.readInt("实收") - payments.readInt("找零");
        paid = payments.readText("付款方式") + std::to_string(taken) + (paid.empty() ? "" : "、") +
               paid;
        amount += taken;
        ok = ok && payments.deleteCurrent();
    }
    payments.close();
    // What settling reckoned goes; what was decided (comps, rates, a waiver) stays.
    ok = ok && core::removeReckonedAdjustments(data, number);
    const std::string& me = app.session().currentUser;
    ok = ok &&
         rights::writeTrace(
             data, {rights::traceTime(app.desktop().now()), number, table, "反结账", "", 0, amount,
                    reason + (paid.empty() ? "" : "；" + paid), me, approval.approver, 0}) &&
         data.database.commitTransaction();
    if (!ok) {
        data.database.rollbackTransaction();
        app.message("反结账失败，请检查！", kWarn);
        return false;
    }
    app.message("反结账成功！", ui::Icon::Information);
    return true;
}

}  // namespace tablora::checkout
