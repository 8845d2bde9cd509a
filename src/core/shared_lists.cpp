#include "core/shared_lists.h"

#include "util/regex_matcher.h"
#include "util/text.h"

namespace tablora::core {

bool readOrderLines(data::DataContext& data, const std::string& number, ui::ReportRows& rows) {
    auto& lines = data.openOnDemand(data.detailCursor);
    auto whole = [&lines](const char* field) {
        return util::numberText(static_cast<long long>(lines.readInt(field)));
    };
    data::forEachMatch(lines, "单号", number, [&](data::SqliteTable&) {
        rows.addRow({std::to_string(rows.rowCount() + 1), lines.readText("单号"),
                     lines.readText("菜品"), whole("单价"), whole("数量"), whole("金额"),
                     lines.readText("分类")});
        return false;
    });
    const bool read = !lines.readFailed();
    lines.close();
    return read;
}

bool readColumn(data::DataContext& data, data::SqliteTable& cursor, const char* field,
                std::vector<std::string>& texts, std::vector<std::int64_t>& ids) {
    auto& table = data.openOnDemand(cursor);
    data::forEachRecord(table, [&](data::SqliteTable&) {
        texts.push_back(table.readText(field));
        ids.push_back(table.rowid());
        return false;
    });
    const bool read = !table.readFailed();
    table.close();
    return read;
}

bool fillMenuGroups(ui::RollMenu& menu, data::DataContext& data, std::vector<std::int64_t>* ids) {
    std::vector<std::string> titles;
    std::vector<std::int64_t> rowids;
    if (!readColumn(data, data.categoryCursor, "分类", titles, rowids)) return false;
    menu.clear();
    for (auto& title : titles) menu.addGroup(std::move(title));
    if (ids) *ids = std::move(rowids);
    return true;
}

bool fillMenuDishes(ui::RollMenu& menu, data::DataContext& data,
                    std::vector<std::vector<std::int64_t>>* ids) {
    const int groups = menu.groupCount();
    std::vector<std::vector<std::string>> items(static_cast<size_t>(groups));
    std::vector<std::vector<std::int64_t>> rowids(static_cast<size_t>(groups));
    auto& dishes = data.openOnDemand(data.dishCursor);
    data::forEachRecord(dishes, [&](data::SqliteTable&) {
        const std::string category = dishes.readText("分类");
        std::string dish;
        bool read = false;
        for (int g = 0; g < groups; ++g) {
            if (menu.groupTitle(g) != category) continue;
            if (!read) {
                dish = dishes.readText("菜品");
                read = true;
            }
            items[static_cast<size_t>(g)].push_back(dish);
            rowids[static_cast<size_t>(g)].push_back(dishes.rowid());
        }
        return false;
    });
    const bool read = !dishes.readFailed();
    dishes.close();
    if (!read) return false;
    for (int g = 0; g < groups; ++g) menu.setItems(g, std::move(items[static_cast<size_t>(g)]));
    if (ids) *ids = std::move(rowids);
    return true;
}

bool fillTableNames(ui::ItemControl& list, data::DataContext& data,
                    std::vector<std::int64_t>* ids) {
    std::vector<std::string> names;
    std::vector<std::int64_t> rowids;
    if (!readColumn(data, data.diningTableCursor, "餐台", names, rowids)) return false;
    list.clear();
    for (auto& name : names) list.addItem(std::move(name));
    if (ids) *ids = std::move(rowids);
    return true;
}

bool reachListed(data::DataContext& data, data::SqliteTable& cursor,
                 const std::vector<std::int64_t>& ids, int position, const char* field,
                 const std::string& shown) {
    auto& table = data.openOnDemand(cursor);
    return position >= 0 && static_cast<size_t>(position) < ids.size() &&
           table.moveToRowid(ids[static_cast<size_t>(position)]) &&
           table.readText(field) == shown && !table.readFailed();
}

DishText splitDish(const std::string& text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return {text, ""};
    const auto next = text.find('/', slash + 1);
    const std::string piece =
        text.substr(slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1);
    return {text.substr(0, slash), util::DigitsOnly(piece)};
}

}  // namespace tablora::core
