#include "settings/taste_settings_window.h"

#include "core/app_context.h"
#include "data/sqlite_table.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::settings {
namespace {

constexpr const char* kEvery = "全部";

}  // namespace

TasteSettingsWindow::TasteSettingsWindow(core::AppContext& app)
    : Window(app.desktop(), "TasteSettingsWindow", "口味设置", 460, 386), m_app(app) {
    setOwnHeader(true);
    按钮_关闭.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
    列表框_口味.onSelectionChanged = [this] { showTaste(); };
    按钮_添加.onClick = [this] { add(); };
    按钮_修改.onClick = [this] { rename(); };
    按钮_删除.onClick = [this] { remove(); };
}

void TasteSettingsWindow::created() {
    const bool allowed = m_app.session().permissions.设置菜品 != 0;
    for (ui::Control* c : std::initializer_list<ui::Control*>{&按钮_添加, &按钮_修改, &按钮_删除})
        c->setEnabled(allowed);
    refreshTastes();
}

bool TasteSettingsWindow::refreshTastes() {
    auto& database = m_app.data().database;
    std::vector<Taste> tastes;
    data::SqliteTable table, categories;
    bool read = table.open("口味", database);
    for (bool more = read && table.moveFirst(); more; more = table.skip())
        tastes.push_back({table.rowid(), table.readText("口味"), table.readText("分类")});
    read = read && !table.readFailed();
    // The category chosen stays chosen: several notes of one category are added in a row.
    const std::string chosen = 组合框_分类.text();
    组合框_分类.clear();
    组合框_分类.addItem(kEvery);
    if (categories.open("分类", database))
        for (bool more = categories.moveFirst(); more; more = categories.skip())
            组合框_分类.addItem(categories.readText("分类"));
    组合框_分类.select(0);
    for (int i = 1; i < 组合框_分类.itemCount(); ++i)
        if (组合框_分类.itemText(i) == chosen) 组合框_分类.select(i);
    if (!read) {
        m_app.tellReadFailed();
        return false;
    }
    m_tastes = std::move(tastes);
    列表框_口味.clear();
    for (const Taste& t : m_tastes)
        列表框_口味.addItem(t.category.empty() ? t.name : t.name + "（" + t.category + "）");
    return true;
}

void TasteSettingsWindow::showTaste() {
    const int at = 列表框_口味.selectedIndex();
    if (at < 0 || at >= static_cast<int>(m_tastes.size())) return;
    const Taste& t = m_tastes[static_cast<size_t>(at)];
    编辑框_口味.setText(t.name);
    组合框_分类.select(0);
    for (int i = 1; i < 组合框_分类.itemCount(); ++i)
        if (组合框_分类.itemText(i) == t.category) 组合框_分类.select(i);
}

bool TasteSettingsWindow::fieldsUsable(int except, std::string& name, std::string& category) {
    name = rights::plainText(编辑框_口味.text());
    category = 组合框_分类.selectedIndex() > 0 ? 组合框_分类.text() : "";
    const auto warn = [this](const char* text) {
        m_app.message(text, ui::Icon::Exclamation);
        return false;
    };
    if (name.empty()) return warn("口味名称不能为空！");
    if (util::characterCount(name) > 20) return warn("口味名称不能超过20个字！");
    for (size_t i = 0; i < m_tastes.size(); ++i)
        if (static_cast<int>(i) != except && m_tastes[i].name == name &&
            m_tastes[i].category == category)
            return warn("口味已存在，请修改！");
    return true;
}

void TasteSettingsWindow::done(bool ok, const std::string& action) {
    m_app.tellOutcome(ok, action);
    if (!ok) return;
    编辑框_口味.setText("");
    refreshTastes();
}

void TasteSettingsWindow::add() {
    std::string name, category;
    if (!fieldsUsable(-1, name, category)) return;
    data::SqliteTable table;
    done(table.open("口味", m_app.data().database) && table.addNew() && table.write("口味", name) &&
             table.write("分类", category) && table.update(),
         "添加口味");
}

void TasteSettingsWindow::rename() {
    const int at = 列表框_口味.selectedIndex();
    if (at < 0) {
        m_app.message("请先选择要修改的口味！", ui::Icon::Exclamation);
        return;
    }
    std::string name, category;
    if (!fieldsUsable(at, name, category)) return;
    data::SqliteTable table;
    done(table.open("口味", m_app.data().database) &&
             table.moveToRowid(m_tastes[static_cast<size_t>(at)].rowid) && table.edit() &&
             table.write("口味", name) && table.write("分类", category) && table.update(),
         "修改口味");
}

void TasteSettingsWindow::remove() {
    const int at = 列表框_口味.selectedIndex();
    if (at < 0) {
        m_app.message("请先选择要删除的口味！", ui::Icon::Exclamation);
        return;
    }
    data::SqliteTable table;
    done(table.open("口味", m_app.data().database) &&
             table.moveToRowid(m_tastes[static_cast<size_t>(at)].rowid) && table.deleteCurrent(),
         "删除口味");
}

}  // namespace tablora::settings
