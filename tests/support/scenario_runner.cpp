#include "support/scenario_runner.h"

#include "printing/print_queue.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "shell/app.h"
#include "shell/main_window.h"
#include "support/scripted_desktop.h"
#include "support/temp_db.h"
#include "util/gbk.h"

namespace tablora::test {
namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<std::string> tokenize(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        std::string token;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    ++i;
                    token += line[i] == 'n' ? '\n' : line[i];
                } else {
                    token += line[i];
                }
                ++i;
            }
            if (i >= line.size()) throw Failure("unterminated quote");
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') token += line[i++];
        }
        tokens.push_back(token);
    }
    return tokens;
}

std::string join(const std::vector<std::string>& items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "|" : "") + items[i];
    return out;
}

bool yes(const std::string& word) {
    if (word == "yes" || word == "true" || word == "enabled" || word == "on") return true;
    if (word == "no" || word == "false" || word == "disabled" || word == "off") return false;
    throw Failure("expected yes or no, got " + word);
}

int number(const std::string& word) {
    try {
        size_t used = 0;
        const int value = std::stoi(word, &used);
        if (used == word.size()) return value;
    } catch (const std::exception&) {
    }
    throw Failure("not a number: " + word);
}

util::CalendarTime parseDate(const std::string& date, const std::string& time) {
    util::CalendarTime t{};
    if (std::sscanf(date.c_str(), "%d-%d-%d", &t.year, &t.month, &t.day) != 3)
        throw Failure("bad date " + date);
    if (!time.empty() && std::sscanf(time.c_str(), "%d:%d:%d", &t.hour, &t.minute, &t.second) != 3)
        throw Failure("bad time " + time);
    return t;
}

class Runner {
  public:
    Runner(std::string text, std::string name, std::ostream& out)
        : m_name(std::move(name)), m_out(out) {
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) m_lines.push_back(line);
        m_desktop.log = [this](const std::string& line) { m_out << "  | " << line << "\n"; };
        m_desktop.modalDriver = [this](ui::Window& window) {
            while (!window.destroyed() && m_pc < m_lines.size()) step();
        };
    }

    int run(const std::string& source) {
        try {
            if (source.empty()) {
                m_db = makeDemoDatabase(m_dir);
            } else {
                m_db = m_dir.path("cysj.db");
                std::filesystem::copy_file(source, m_db);
            }
            while (m_pc < m_lines.size()) step();
            if (m_checked < m_desktop.messages.size())
                throw Failure("message box not expected by the scenario: " +
                              m_desktop.messages[m_checked].text);
        } catch (const Failure& f) {
            m_out << m_name << ":" << m_current << ": " << f.what() << "\n";
            m_out << "FAILED " << m_name << "\n";
            return 1;
        }
        m_out << "passed " << m_name << "\n";
        return 0;
    }

  private:
    void step() {
        m_current = m_pc + 1;
        const std::string line = m_lines[m_pc++];
        const auto t = tokenize(line);
        if (t.empty()) return;
        m_out << m_current << ": " << line << "\n";
        execute(t);
        // Print jobs run off the window thread: the next line sees what printing said.
        if (m_app) m_app->printQueue().finishAll();
    }

    shell::App& app() {
        if (!m_app) throw Failure("the program has not been started");
        return *m_app;
    }

    ui::Window& window(const std::string& name) {
        ui::Window* w = app().window(name);
        if (!w) throw Failure("window not loaded: " + name);
        return *w;
    }

    template <class C>
    C& control(const std::string& address, ui::ControlKind kind,
               ui::ControlKind alt = ui::ControlKind::Timer) {
        const auto dot = address.find('.');
        if (dot == std::string::npos)
            throw Failure("address a control as Window.control: " + address);
        ui::Control* c = window(address.substr(0, dot)).find(address.substr(dot + 1));
        if (!c) throw Failure("no control " + address);
        if (c->kind() != kind && c->kind() != alt)
            throw Failure("control of another kind: " + address);
        return static_cast<C&>(*c);
    }

    ui::Control& anyControl(const std::string& address) {
        const auto dot = address.find('.');
        if (dot == std::string::npos)
            throw Failure("address a control as Window.control: " + address);
        ui::Control* c = window(address.substr(0, dot)).find(address.substr(dot + 1));
        if (!c) throw Failure("no control " + address);
        return *c;
    }

    // The tile board of a window.
    ui::TileBoard& tilesOf(const std::string& windowName) {
        for (ui::Control* c : window(windowName).controls())
            if (c->kind() == ui::ControlKind::TileBoard) return static_cast<ui::TileBoard&>(*c);
        throw Failure("no tile board in " + windowName);
    }

    static int tileIndex(const ui::TileBoard& board, const std::string& name) {
        const int index = board.indexOf(name);
        if (index < 0) throw Failure("no tile " + name);
        return index;
    }

    static void need(const std::vector<std::string>& t, size_t n) {
        if (t.size() < n) throw Failure("too few words for " + t[0]);
    }

    void act(bool done, const std::string& what) {
        if (!done) throw Failure("could not " + what + " (disabled, or no such item)");
    }

    static int indexIn(const std::vector<std::string>& items, const std::string& which) {
        if (!which.empty() && which[0] == '#') return number(which.substr(1));
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == which) return static_cast<int>(i);
        throw Failure("no item " + which);
    }

    std::string itemsOf(ui::Control& c) {
        switch (c.kind()) {
            case ui::ControlKind::ComboBox:
            case ui::ControlKind::ListBox:
            case ui::ControlKind::CheckListBox:
                return join(static_cast<ui::ItemControl&>(c).items());
            case ui::ControlKind::RollMenu: {
                std::vector<std::string> titles;
                for (const auto& g : static_cast<ui::RollMenu&>(c).groups())
                    titles.push_back(g.title);
                return join(titles);
            }
            default:
                throw Failure("control has no items: " + c.name());
        }
    }

    void check(const std::string& what, const std::string& expected, const std::string& actual) {
        if (expected != actual)
            throw Failure(what + ": expected \"" + expected + "\", got \"" + actual + "\"");
    }

    void execute(const std::vector<std::string>& t) {
        const std::string& verb = t[0];
        if (verb == "database") {
            need(t, 2);
            if (t[1] == "none")
                std::filesystem::remove(m_db);
            else
                throw Failure("database takes: none");
        } else if (verb == "sql") {
            need(t, 2);
            // "{dir}" is the scenario's own folder (a printer writing into a file there).
            std::string statement = t[1];
            for (size_t at; (at = statement.find("{dir}")) != std::string::npos;)
                statement.replace(at, 5, m_dir.path(""));
            if (!execSql(m_db, statement)) throw Failure("SQL failed: " + statement);
        } else if (verb == "clock") {
            need(t, 2);
            m_desktop.clock = parseDate(t[1], t.size() > 2 ? t[2] : "");
        } else if (verb == "start") {
            m_app = std::make_unique<shell::App>(m_desktop, m_db);
            m_app->start();
        } else if (verb == "click") {
            need(t, 2);
            act(control<ui::Button>(t[1], ui::ControlKind::Button).click(), "click " + t[1]);
        } else if (verb == "type") {
            need(t, 3);
            ui::Control& c = anyControl(t[1]);
            if (c.kind() == ui::ControlKind::EditBox)
                act(static_cast<ui::EditBox&>(c).type(t[2]), "type");
            else if (c.kind() == ui::ControlKind::ComboBox)
                act(static_cast<ui::ComboBox&>(c).type(t[2]), "type");
            else
                throw Failure("cannot type into " + t[1]);
        } else if (verb == "key") {
            need(t, 3);
            if (t[1].find('.') == std::string::npos)
                window(t[1]).pressKey(number(t[2]));  // a key no control takes
            else
                act(control<ui::EditBox>(t[1], ui::ControlKind::EditBox).pressKey(number(t[2])),
                    "press a key");
        } else if (verb == "tile") {
            need(t, 3);
            auto& board = tilesOf(t[1]);
            act(board.touch(tileIndex(board, t[2])), "touch tile " + t[2]);
        } else if (verb == "tile-menu") {
            need(t, 4);
            auto& board = tilesOf(t[1]);
            m_desktop.menuChoices.push_back(t[3]);
            act(board.askMenu(tileIndex(board, t[2])), "open the menu of tile " + t[2]);
        } else if (verb == "choose") {
            need(t, 3);
            ui::Control& c = anyControl(t[1]);
            if (c.kind() != ui::ControlKind::ComboBox && c.kind() != ui::ControlKind::ListBox &&
                c.kind() != ui::ControlKind::CheckListBox)
                throw Failure("cannot choose in " + t[1]);
            auto& list = static_cast<ui::ItemControl&>(c);
            act(list.choose(indexIn(list.items(), t[2])), "choose " + t[2]);
        } else if (verb == "select") {
            need(t, 3);
            act(control<ui::ReportList>(t[1], ui::ControlKind::ReportList).selectRow(number(t[2])),
                "select row");
        } else if (verb == "tick") {
            need(t, 2);
            control<ui::Timer>(t[1], ui::ControlKind::Timer).tick();
        } else if (verb == "check") {
            need(t, 4);
            act(control<ui::CheckListBox>(t[1], ui::ControlKind::CheckListBox)
                    .tick(number(t[2]), yes(t[3])),
                "tick");
        } else if (verb == "date") {
            need(t, 3);
            act(control<ui::DatePicker>(t[1], ui::ControlKind::DatePicker)
                    .pick(parseDate(t[2], "")),
                "pick a date");
        } else if (verb == "toolbar") {
            need(t, 3);
            auto& bar = control<ui::Toolbar>(t[1], ui::ControlKind::Toolbar);
            std::vector<std::string> captions;
            for (const auto& item : bar.items()) captions.push_back(item.caption);
            act(bar.clickItem(indexIn(captions, t[2])), "click toolbar item " + t[2]);
        } else if (verb == "menu") {
            need(t, 2);
            m_desktop.menuChoices.push_back(t[1]);
        } else if (verb == "open-group") {
            need(t, 3);
            auto& menu = control<ui::RollMenu>(t[1], ui::ControlKind::RollMenu);
            std::vector<std::string> titles;
            for (const auto& g : menu.groups()) titles.push_back(g.title);
            menu.setOpenGroup(indexIn(titles, t[2]));
        } else if (verb == "dish") {
            need(t, 4);
            auto& menu = control<ui::RollMenu>(t[1], ui::ControlKind::RollMenu);
            std::vector<std::string> titles;
            for (const auto& g : menu.groups()) titles.push_back(g.title);
            const int group = indexIn(titles, t[2]);
            menu.setOpenGroup(group);  // a person opens the group to reach its dishes
            act(menu.clickItem(group,
                               indexIn(menu.groups()[static_cast<size_t>(group)].items, t[3])),
                "click dish " + t[3]);
        } else if (verb == "move") {
            need(t, 4);
            window(t[1]).userMove(number(t[2]), number(t[3]));
        } else if (verb == "close") {
            need(t, 2);
            window(t[1]).requestClose();
        } else if (verb == "answer") {
            need(t, 2);
            const std::string& a = t[1];
            m_desktop.answers.push_back(a == "yes"      ? ui::Answer::Yes
                                        : a == "no"     ? ui::Answer::No
                                        : a == "cancel" ? ui::Answer::Cancel
                                                        : ui::Answer::Ok);
        } else if (verb == "answer-input" || verb == "answer-save") {
            need(t, 2);
            auto& queue = verb == "answer-input" ? m_desktop.inputs : m_desktop.saves;
            if (t.size() == 2 && t[1] == "cancel")
                queue.push_back(std::nullopt);
            else if (verb == "answer-save" && !t.back().empty() && t.back()[0] != '/')
                queue.push_back(m_dir.path(t.back()));  // a file of the scenario's own folder
            else
                queue.push_back(t.back());
        } else if (verb == "expect") {
            need(t, 2);
            expect(t);
        } else {
            throw Failure("unknown command " + verb);
        }
    }

    void expect(const std::vector<std::string>& t) {
        const std::string& what = t[1];
        if (what == "message") {
            need(t, 4);
            if (m_checked >= m_desktop.messages.size())
                throw Failure("no message box was shown; expected " + t[2]);
            const MessageRecord& m = m_desktop.messages[m_checked++];
            check("message text", t[2], m.text);
            check("message icon", t[3], iconName(m.icon));
            check("message title", t.size() > 4 ? t[4] : "信息：", m.title);
        } else if (what == "no-message") {
            if (m_checked < m_desktop.messages.size())
                throw Failure("unexpected message box: " + m_desktop.messages[m_checked].text);
        } else if (what == "text") {
            need(t, 4);
            check(t[2] + " text", t[3], anyControl(t[2]).text());
        } else if (what == "enabled") {
            need(t, 4);
            check(t[2] + " enabled", yes(t[3]) ? "yes" : "no",
                  anyControl(t[2]).enabled() ? "yes" : "no");
        } else if (what == "items") {
            need(t, 4);
            check(t[2] + " items", t[3], itemsOf(anyControl(t[2])));
        } else if (what == "selected") {
            need(t, 4);
            ui::Control& c = anyControl(t[2]);
            int index = -2;
            if (c.kind() == ui::ControlKind::ReportList)
                index = static_cast<ui::ReportList&>(c).currentRow();
            else if (dynamic_cast<ui::ItemControl*>(&c))
                index = static_cast<ui::ItemControl&>(c).selectedIndex();
            check(t[2] + " selected", t[3], std::to_string(index));
        } else if (what == "rows") {
            need(t, 4);
            check(t[2] + " rows", t[3],
                  std::to_string(
                      control<ui::ReportList>(t[2], ui::ControlKind::ReportList).rowCount()));
        } else if (what == "row") {
            need(t, 5);
            auto& list = control<ui::ReportList>(t[2], ui::ControlKind::ReportList);
            const int r = number(t[3]);
            if (r < 0 || r >= list.rowCount()) throw Failure("no row " + t[3]);
            check(t[2] + " row " + t[3], t[4], join(list.row(r)));
        } else if (what == "group-items") {
            need(t, 5);
            auto& menu = control<ui::RollMenu>(t[2], ui::ControlKind::RollMenu);
            std::vector<std::string> titles;
            for (const auto& g : menu.groups()) titles.push_back(g.title);
            check(t[2] + " items of " + t[3], t[4],
                  join(menu.groups()[static_cast<size_t>(indexIn(titles, t[3]))].items));
        } else if (what == "pane") {
            need(t, 5);
            check(t[2] + " pane", t[4],
                  control<ui::StatusBar>(t[2], ui::ControlKind::StatusBar).paneText(number(t[3])));
        } else if (what == "tile") {
            need(t, 5);
            auto& board = tilesOf(t[2]);
            check("tile " + t[3], t[4], board.tileText(tileIndex(board, t[3])));
        } else if (what == "tiles") {
            need(t, 4);
            std::vector<std::string> names;
            for (const auto& tile : tilesOf(t[2]).tiles()) names.push_back(tile.name);
            check(t[2] + " tiles", t[3], join(names));
        } else if (what == "db") {
            need(t, 4);
            check("database " + t[2], t[3], querySql(m_db, t[2]));
        } else if (what == "loaded") {
            need(t, 4);
            check(t[2] + " loaded", yes(t[3]) ? "yes" : "no", app().window(t[2]) ? "yes" : "no");
        } else if (what == "menu-entry") {
            need(t, 4);
            auto* main = app().mainWindow();
            if (!main) throw Failure("main window not loaded");
            const int index = main->工具菜单.indexOf(t[2]);
            if (index < 0) throw Failure("no menu entry " + t[2]);
            check("menu entry " + t[2], yes(t[3]) ? "enabled" : "disabled",
                  main->工具菜单.entryEnabled(index) ? "enabled" : "disabled");
        } else if (what == "position") {
            need(t, 5);
            ui::Window& w = window(t[2]);
            check(t[2] + " position", t[3] + "," + t[4],
                  std::to_string(w.left()) + "," + std::to_string(w.top()));
        } else if (what == "skin") {
            need(t, 3);
            check("attached skin", t[2],
                  m_desktop.attachedSkins.empty() ? "none"
                                                  : std::to_string(m_desktop.attachedSkins.back()));
        } else if (what == "running") {
            need(t, 3);
            check("program running", yes(t[2]) ? "yes" : "no",
                  m_app && m_app->running() ? "yes" : "no");
        } else if (what == "file-exists") {
            need(t, 4);
            check("file " + t[2], yes(t[3]) ? "yes" : "no",
                  std::filesystem::exists(m_dir.path(t[2])) ? "yes" : "no");
        } else if (what == "file-contains") {
            need(t, 4);
            std::ifstream in(m_dir.path(t[2]), std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
            check("file " + t[2] + " holds \"" + t[3] + "\"", "yes",
                  bytes.find(util::toGbk(t[3])) != std::string::npos ? "yes" : "no");
        } else {
            throw Failure("unknown expectation " + what);
        }
    }

    std::string m_name;
    std::ostream& m_out;
    std::vector<std::string> m_lines;
    size_t m_pc = 0;
    size_t m_current = 0;
    size_t m_checked = 0;
    TempDir m_dir;
    std::string m_db;
    ScriptedDesktop m_desktop;
    std::unique_ptr<shell::App> m_app;
};

}  // namespace

int runScenario(const std::string& text, const std::string& name, const std::string& sourceDatabase,
                std::ostream& out) {
    Runner runner(text, name, out);
    return runner.run(sourceDatabase);
}

}  // namespace tablora::test
