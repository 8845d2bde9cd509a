#include "core/dish_notes.h"

#include "data/data_context.h"
#include "data/sqlite_table.h"

namespace tablora::core {
namespace {

// The row of the order's dish, current on the table; false when there is none.
bool reachRow(data::SqliteTable& table, const std::string& number, const std::string& dish) {
    for (int n : table.findAll("单号", number))
        if (table.moveTo(n) && table.readText("菜品") == dish) return true;
    return false;
}

bool addRow(data::DataContext& data, const std::string& number, const std::string& dish,
            const DishNote& note) {
    const data::CursorUse table(data, data.noteCursor);
    return table->isOpen() && table->addNew() && table->write("单号", number) &&
           table->write("菜品", dish) && table->write("口味", note.note) &&
           table->write("已送口味", note.sent) && table->update();
}

}  // namespace

std::map<std::string, DishNote> readDishNotes(data::DataContext& data, const std::string& number) {
    std::map<std::string, DishNote> notes;
    const data::CursorUse table(data, data.noteCursor);
    for (int n : table->findAll("单号", number))
        if (table->moveTo(n))
            notes[table->readText("菜品")] = {table->readText("口味"), table->readText("已送口味")};
    return notes;
}

bool writeDishNote(data::DataContext& data, const std::string& number, const std::string& dish,
                   const std::string& note) {
    {
        const data::CursorUse use(data, data.noteCursor);
        data::SqliteTable& table = *use;
        if (!table.isOpen()) return false;
        if (reachRow(table, number, dish)) {
            // A row nothing was sent of and nothing is noted on is no longer needed.
            if (note.empty() && table.readText("已送口味").empty()) return table.deleteCurrent();
            return table.edit() && table.write("口味", note) && table.update();
        }
        if (table.readFailed()) return false;
    }
    return note.empty() || addRow(data, number, dish, {note, ""});
}

bool markNoteSent(data::DataContext& data, const std::string& number, const std::string& dish,
                  const std::string& note) {
    const data::CursorUse table(data, data.noteCursor);
    if (!table->isOpen() || !reachRow(*table, number, dish)) return true;
    return table->edit() && table->write("已送口味", note) && table->update();
}

bool deleteDishNotes(data::DataContext& data, const std::string& number, const std::string& dish) {
    const data::CursorUse table(data, data.noteCursor);
    if (!table->isOpen()) return false;
    const std::vector<int> rows = table->findAll("单号", number);
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) {
        if (!table->moveTo(*r)) return false;
        if (!dish.empty() && table->readText("菜品") != dish) continue;
        if (!table->deleteCurrent()) return false;
    }
    return !table->readFailed();
}

bool carryDishNotes(data::DataContext& data, const std::string& from, const std::string& to) {
    const auto moving = readDishNotes(data, from);
    if (moving.empty()) return true;
    const auto staying = readDishNotes(data, to);
    if (!deleteDishNotes(data, from)) return false;
    for (const auto& [dish, note] : moving) {
        const auto there = staying.find(dish);
        if (there == staying.end()) {
            if (!addRow(data, to, dish, note)) return false;
            continue;
        }
        if (there->second.note == note.note || note.note.empty()) continue;
        const std::string both =
            there->second.note.empty() ? note.note : there->second.note + "，" + note.note;
        if (!writeDishNote(data, to, dish, both)) return false;
    }
    return true;
}

std::vector<std::string> tasteChoices(data::SqliteDB& database, const std::string& category) {
    std::vector<std::string> all, own;
    data::SqliteTable table;
    if (!table.open("口味", database)) return all;
    for (bool more = table.moveFirst(); more; more = table.skip()) {
        const std::string of = table.readText("分类");
        if (of.empty())
            all.push_back(table.readText("口味"));
        else if (of == category)
            own.push_back(table.readText("口味"));
    }
    all.insert(all.end(), own.begin(), own.end());
    return all;
}

}  // namespace tablora::core
