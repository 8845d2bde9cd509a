#include "core/shared_lists.h"

#include "util/regex_matcher.h"
#include "util/text.h"

namespace tablora::core {

void appendOrderLineRow(ui::ReportList& list, data::SqliteTable& lines) {
    auto whole = [&lines](const char* field) {
        return util::numberText(static_cast<long long>(lines.readInt(field)));
    };
    list.addRow({"", lines.readText("单号"), lines.readText("菜品"), whole("单价"), whole("数量"),
                 whole("金额"), lines.readText("分类")});
}

void fillMenuGroups(ui::RollMenu& menu, data::DataContext& data) {
    menu.clear();
    auto& categories = data.openOnDemand(data.categoryCursor);
    data::forEachRecord(categories, [&](data::SqliteTable&) {
        menu.addGroup(categories.readText("分类"));
        return false;
    });
    categories.close();
}

void fillMenuDishes(ui::RollMenu& menu, data::DataContext& data) {
    for (int g = 0; g < menu.groupCount(); ++g) menu.clearItems(g);
    auto& dishes = data.openOnDemand(data.dishCursor);
    data::forEachRecord(dishes, [&](data::SqliteTable&) {
        const std::string category = dishes.readText("分类");
        std::string dish;
        bool read = false;
        for (int g = 0; g < menu.groupCount(); ++g) {
            if (menu.groupTitle(g) != category) continue;
            if (!read) {
                dish = dishes.readText("菜品");
                read = true;
            }
            menu.addItem(g, dish);
        }
        return false;
    });
    dishes.close();
}

void fillTableNames(ui::ItemControl& list, data::DataContext& data) {
    list.clear();
    auto& tables = data.openOnDemand(data.diningTableCursor);
    data::forEachRecord(tables, [&](data::SqliteTable&) {
        list.addItem(tables.readText("餐台"));
        return false;
    });
    tables.close();
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
