#include "reports/cash_movement_window.h"

#include "core/app_context.h"
#include "data/sqlite_table.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::report {

CashMovementWindow::CashMovementWindow(core::AppContext& app)
    : Window(app.desktop(), "CashMovementWindow", "现金收支", 360, 224), m_app(app) {
    组合框_类型.addItem("存入");
    组合框_类型.addItem("取出");
    组合框_类型.select(0);
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
    setInitialFocus(&编辑框_金额);
}

void CashMovementWindow::confirm() {
    const auto warn = [this](const std::string& text) {
        m_app.message(text, ui::Icon::Exclamation);
    };
    const auto amount = util::wholeNumberIn(编辑框_金额.text(), 1, 9999999);
    if (!amount) return warn("请正确输入金额！");
    const std::string note = rights::plainText(编辑框_说明.text());
    if (util::characterCount(note) > 40) return warn("说明不能超过40个字！");
    data::SqliteTable moves;
    if (!moves.open("现金收支", m_app.data().database) || !moves.addNew() ||
        !moves.write("类型", 组合框_类型.text()) ||
        !moves.write("金额", static_cast<std::int64_t>(*amount)) || !moves.write("说明", note) ||
        !moves.write("操作员", m_app.session().currentUser) ||
        !moves.write("时间", rights::traceTime(m_app.desktop().now())) || !moves.update())
        return warn("现金收支失败，请检查！");
    m_kept = true;
    m_app.message("现金收支成功！", ui::Icon::Information);
    destroy();
}

}  // namespace tablora::report
