#include "ordering/taste_window.h"

#include <algorithm>

#include "core/app_context.h"
#include "core/dish_notes.h"
#include "data/sqlite_table.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::ordering {

TasteWindow::TasteWindow(core::AppContext& app, OrderLine line, const std::string& note)
    : Window(app.desktop(), "TasteWindow", "口味/做法", 400, 336),
      m_app(app),
      m_line(std::move(line)) {
    标签_菜品.setText("菜品：" + m_line.dish);
    const std::vector<std::string> choices =
        core::tasteChoices(app.data().database, m_line.category);
    for (const auto& c : choices) 选择列表框_口味.addItem(c);
    // The note as kept: the parts that are choices ticked, the rest typed.
    std::string other;
    for (size_t from = 0; from < note.size();) {
        const size_t comma = std::min(note.find("，", from), note.size());
        const std::string part = note.substr(from, comma - from);
        const auto at = std::find(choices.begin(), choices.end(), part);
        if (at != choices.end())
            选择列表框_口味.setTicked(static_cast<int>(at - choices.begin()), true);
        else if (!part.empty())
            other += (other.empty() ? "" : "，") + part;
        from = comma + std::string("，").size();
    }
    编辑框_其他.setText(other);
    标签_预览.setText(joined());
    选择列表框_口味.onTickChanged = [this](int) { 标签_预览.setText(joined()); };
    编辑框_其他.onTyped = [this] { 标签_预览.setText(joined()); };
    按钮_清除.onClick = [this] {
        for (int k = 0; k < 选择列表框_口味.itemCount(); ++k) 选择列表框_口味.setTicked(k, false);
        编辑框_其他.setText("");
        标签_预览.setText("");
    };
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

std::string TasteWindow::joined() const {
    std::string note;
    for (int k = 0; k < 选择列表框_口味.itemCount(); ++k)
        if (选择列表框_口味.ticked(k))
            note += (note.empty() ? "" : "，") + 选择列表框_口味.itemText(k);
    const std::string other = rights::plainText(编辑框_其他.text());
    if (!other.empty()) note += (note.empty() ? "" : "，") + other;
    return note;
}

void TasteWindow::confirm() {
    const auto warn = [this](const std::string& text) {
        m_app.message(text, ui::Icon::Exclamation);
    };
    if (util::characterCount(rights::plainText(编辑框_其他.text())) > 20)
        return warn("其他口味不能超过20个字！");
    const std::string note = joined();
    if (util::characterCount(note) > 40) return warn("备注不能超过40个字！");
    auto& data = m_app.data();
    auto& database = data.database;
    // The order and the line read again: another program may have settled or changed them.
    bool open = false, listed = false;
    const bool begun = database.beginTransaction();
    if (begun) {
        // The kept cursors: their rowid lists stay between actions, whatever the history.
        auto& journal = data.openOnDemand(data.journalCursor);
        for (int n : journal.findAll("单号", m_line.number))
            open = journal.moveTo(n) && journal.readInt("状态") == 0;
        journal.close();
        auto& lines = data.openOnDemand(data.detailCursor);
        for (int n : open ? lines.findAll("单号", m_line.number) : std::vector<int>{})
            listed = listed || (lines.moveTo(n) && lines.readText("菜品") == m_line.dish);
        lines.close();
    }
    if (begun && (!open || !listed)) {
        database.rollbackTransaction();
        m_orderChanged = true;
        warn("该单已结账或已被修改，请刷新后重试！");
        destroy();
        return;
    }
    if (!begun || !core::writeDishNote(data, m_line.number, m_line.dish, note) ||
        !database.commitTransaction()) {
        database.rollbackTransaction();
        return warn("口味保存失败，请检查！");
    }
    m_orderChanged = true;
    destroy();
}

}  // namespace tablora::ordering
