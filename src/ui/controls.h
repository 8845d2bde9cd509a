#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/date_time.h"

namespace tablora::ui {

class Window;

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

enum class ControlKind {
    Button,
    Label,
    TransparentLabel,
    GroupBox,
    Line,
    PictureBox,
    EditBox,
    ComboBox,
    ListBox,
    CheckListBox,
    ReportList,
    RollMenu,
    DatePicker,
    Toolbar,
    StatusBar,
    Timer,
    TileBoard,
    Chart,
};

enum class Align { Left, Center, Right };

// A control holds exactly the state handlers read and write. Program operations (setText,
// select, clear, ...) never raise events; user operations (click, type, choose, ...) do.
// A binding (the Qt widgets) watches it through the observer and mirrors it.
class Control {
  public:
    Control(Window& window, std::string name, ControlKind kind, std::string text, Rect geometry,
            Control* container);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return m_name; }
    ControlKind kind() const { return m_kind; }
    const std::string& text() const { return m_text; }
    void setText(std::string text);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // A control shown only at times (a list of matches over the menu); shown in front.
    bool visible() const { return m_visible; }
    void setVisible(bool visible);
    const Rect& geometry() const { return m_geometry; }
    Control* container() const { return m_container; }
    Window& window() const { return m_window; }
    // A font family the control asks for; the binding uses the closest one installed.
    const std::string& font() const { return m_font; }
    void setFont(std::string family) { m_font = std::move(family); }

    // The program asks for the keyboard to go to this control (the binding moves it there).
    void focus() {
        m_focusRequested = true;
        changed();
    }
    bool focusRequested() const { return m_focusRequested; }
    void focusTaken() { m_focusRequested = false; }

    // The binding's hook: called after every change of state.
    void setObserver(std::function<void()> observer) { m_observer = std::move(observer); }

  protected:
    void changed() {
        if (m_observer) m_observer();
    }
    // Whether a person can act on the control now.
    bool usable() const;

    std::string m_text;

  private:
    Window& m_window;
    std::string m_name;
    ControlKind m_kind;
    Rect m_geometry;
    Control* m_container;
    bool m_enabled = true;
    bool m_visible = true;
    std::string m_font;
    std::function<void()> m_observer;
    bool m_focusRequested = false;
};

class Button : public Control {
  public:
    Button(Window& w, std::string name, std::string text, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::Button, std::move(text), g, container) {}
    // A person's click; false (and no event) when the button is disabled.
    bool click();
    std::function<void()> onClick;
};

class Label : public Control {
  public:
    Label(Window& w, std::string name, std::string text, Rect g, Control* container = nullptr,
          bool transparent = false, Align align = Align::Left)
        : Control(w, std::move(name),
                  transparent ? ControlKind::TransparentLabel : ControlKind::Label, std::move(text),
                  g, container),
          m_align(align) {}
    Align align() const { return m_align; }
    // A label that shows an amount of money a person must read at a glance.
    bool money() const { return m_money; }
    void setMoney(bool money) { m_money = money; }
    // Shown red, whatever its text (a cash count that does not agree); set before the text.
    bool alert() const { return m_alert; }
    void setAlert(bool alert) { m_alert = alert; }

  private:
    Align m_align;
    bool m_money = false;
    bool m_alert = false;
};

class GroupBox : public Control {
  public:
    GroupBox(Window& w, std::string name, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::GroupBox, "", g, container) {}
};

// A ruling line; vertical when taller than wide.
class Line : public Control {
  public:
    Line(Window& w, std::string name, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::Line, "", g, container) {}
};

// Shows one of the program's drawn images, named by the text ("app", "user", "key").
class PictureBox : public Control {
  public:
    PictureBox(Window& w, std::string name, std::string image, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::PictureBox, std::move(image), g, container) {}
};

enum class EditMode { Plain, MultiLine, WholeNumber, Password };

class EditBox : public Control {
  public:
    static constexpr int kEnter = 13;
    EditBox(Window& w, std::string name, EditMode mode, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::EditBox, "", g, container), m_mode(mode) {}
    EditMode mode() const { return m_mode; }
    // A person replaces the contents by typing; a whole-number box drops all but 0-9 and "-".
    bool type(const std::string& text);
    // A person presses a key (its code); raises the key-down event.
    bool pressKey(int key);
    std::function<void(int key)> onKeyDown;
    // A person changed the text (raised by type).
    std::function<void()> onTyped;

  private:
    EditMode m_mode;
};

// What combo boxes and list boxes share: a list of item texts and one selected item.
class ItemControl : public Control {
  public:
    ItemControl(Window& w, std::string name, ControlKind kind, Rect g, Control* container)
        : Control(w, std::move(name), kind, "", g, container) {}
    virtual void clear();
    virtual void addItem(std::string item);
    int itemCount() const { return static_cast<int>(m_items.size()); }
    std::string itemText(int index) const;
    const std::vector<std::string>& items() const { return m_items; }
    int selectedIndex() const { return m_selected; }
    // Selects an item (-1 for none) without raising the event.
    virtual void select(int index);
    // A person picks an item.
    bool choose(int index);
    std::function<void()> onSelectionChanged;

  protected:
    std::vector<std::string> m_items;
    int m_selected = -1;
};

class ComboBox : public ItemControl {
  public:
    ComboBox(Window& w, std::string name, bool editable, Rect g, Control* container = nullptr)
        : ItemControl(w, std::move(name), ControlKind::ComboBox, g, container),
          m_editable(editable) {}
    bool editable() const { return m_editable; }
    void clear() override;
    // The text follows the selection.
    void select(int index) override;
    // A person types into the editable text.
    bool type(const std::string& text);
    // A person changed the editable text (raised by type).
    std::function<void()> onTyped;

  private:
    bool m_editable;
};

class ListBox : public ItemControl {
  public:
    ListBox(Window& w, std::string name, Rect g, Control* container = nullptr,
            ControlKind kind = ControlKind::ListBox)
        : ItemControl(w, std::move(name), kind, g, container) {}
};

class CheckListBox : public ListBox {
  public:
    CheckListBox(Window& w, std::string name, Rect g, Control* container = nullptr)
        : ListBox(w, std::move(name), g, container, ControlKind::CheckListBox) {}
    void clear() override;
    void addItem(std::string item) override;
    bool ticked(int index) const;
    void setTicked(int index, bool ticked);
    // A person ticks or unticks an item.
    bool tick(int index, bool ticked);
    std::function<void(int index)> onTickChanged;

  private:
    std::vector<bool> m_ticks;
};

struct Column {
    std::string title;
    int width = 80;
    Align align = Align::Left;
};

// The rows of a report list, kept compactly: a journal list can hold every order of years of
// trade. Filled on its own, rows can be read whole before a list shows them.
class ReportRows {
  public:
    explicit ReportRows(int columns = 0) : m_columns(columns) {}
    int columnCount() const { return m_columns; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    // Appends a row (missing cells empty, extra ones dropped); returns its index.
    int addRow(std::vector<std::string> cells = {});
    int addRow(std::initializer_list<std::string_view> cells);
    // The cell's text where it is kept; valid until the rows next change.
    std::string_view cellView(int row, int column) const;
    // Every cell of the row the same way, in one pass over it.
    void rowCells(int row, std::vector<std::string_view>& cells) const;
    // False when the cell held that text already.
    bool setCell(int row, int column, std::string_view text);
    std::string cellImage(int row, int column) const;
    bool setCellImage(int row, int column, std::string image);
    bool removeRow(int row);
    void clear();

    // Rows known first by a key alone (a record's rowid), whose cells are read only when some
    // row of their run is first asked for, and kept from then on: a list of a million orders
    // holds 20 bytes a row until it is looked at. The reader fills the rows first..first+count-1
    // with fillRow; a row it leaves is shown empty. When it could not read (false), the rows
    // show empty for now and are asked for again the next time.
    using Reader = std::function<bool(ReportRows& rows, int first, int count)>;
    void setReader(Reader read) { m_read = std::move(read); }
    int addKeyedRow(std::int64_t key);
    bool isRead(int row) const;
    // Visits every row in order, its cells read through cellView as usual; runs of keyed rows
    // read only for this visit are let go after it, so writing out a million rows keeps none.
    void forEachRow(const std::function<void(int row)>& visit) const;
    // The key of a row added by addKeyedRow (0 for others).
    std::int64_t key(int row) const;
    // A row's cells, its images cleared.
    void fillRow(int row, std::initializer_list<std::string_view> cells);

  private:
    // A row is one run of bytes: first one byte a column for its image (0 for none, else 1 +
    // index in m_imageNames), then each cell as its length and its bytes. Runs are packed into
    // large blocks, so a million rows cost their bytes and twelve more each, and no allocation
    // of their own; a row that changes is written anew at the end.
    struct RowPlace {
        std::uint32_t block = 0, offset = 0, size = 0;
    };
    static constexpr size_t kBlockSize = 1 << 20;
    static constexpr std::uint32_t kNotRead = 0xFFFFFFFF;  // block of a keyed row not read yet
    static constexpr int kReadRun = 128;
    // Reads the run of keyed rows holding `row` when it has not been read. Reading fills the
    // cache of what is shown, so it is allowed where the rows are only looked at.
    bool readIfNeeded(int row) const;
    void rowImage(std::string& bytes, std::initializer_list<std::string_view> cells) const;
    // Where the cell's length starts, and where its text starts and ends, within the row.
    struct CellPlace {
        size_t lengthAt = 0, textAt = 0, textEnd = 0;
    };
    CellPlace place(std::string_view row, int column) const;
    std::string_view rowBytes(int row) const;
    char* rowData(int row);
    // Stores a row's bytes at the end and returns where.
    RowPlace store(std::string_view bytes);
    int append(std::string_view bytes);

    int m_columns;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_used = 0;  // bytes used of the last block
    size_t m_lastBlockSize = 0;
    std::vector<RowPlace> m_rows;
    std::vector<std::string> m_imageNames;
    std::string m_scratch;             // a row being put together
    std::vector<std::int64_t> m_keys;  // one a row once a keyed row was added
    std::string m_emptyRow;            // what a row not read shows
    bool m_freshBlock = false;         // the next row stored starts a block of its own
    Reader m_read;
};

class ReportList : public Control {
  public:
    ReportList(Window& w, std::string name, std::vector<Column> columns, Rect g,
               Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::ReportList, "", g, container),
          m_columns(std::move(columns)),
          m_rows(columnCount()) {}
    const std::vector<Column>& columns() const { return m_columns; }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    int rowCount() const { return m_rows.rowCount(); }
    // Appends a row (missing cells empty); returns its index.
    int addRow(std::vector<std::string> cells = {});
    std::string cell(int row, int column) const { return std::string(cellView(row, column)); }
    // The cell's text where it is kept; valid until the list next changes.
    std::string_view cellView(int row, int column) const { return m_rows.cellView(row, column); }
    void setCell(int row, int column, std::string text);
    std::string cellImage(int row, int column) const { return m_rows.cellImage(row, column); }
    void setCellImage(int row, int column, std::string image);
    void removeRow(int row);
    void clearRows();
    // Rows for this list, to fill aside and then show with setRows.
    ReportRows newRows() const { return ReportRows(columnCount()); }
    // Shows these rows in place of the list's; none is current afterwards.
    void setRows(ReportRows rows);
    std::vector<std::string> row(int index) const;
    void forEachRow(const std::function<void(int row)>& visit) const { m_rows.forEachRow(visit); }
    void rowCells(int row, std::vector<std::string_view>& cells) const {
        m_rows.rowCells(row, cells);
    }
    // The key a keyed row was added with (see ReportRows::addKeyedRow).
    std::int64_t rowKey(int row) const { return m_rows.key(row); }
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    // What changed since the binding last asked, so a view of 200,000 rows is told only that:
    // the list anew, one row removed, rows appended (the count tells), a range of rows'
    // cells. Moving the current row changes no cell.
    struct Changes {
        bool reset = false;
        int removed = -1;
        int first = -1, last = -1;
    };
    Changes takeChanges();
    // Asks the view to bring this row into sight (the binding takes the request once).
    void scrollTo(int row) {
        m_scrollRequest = row;
        changed();
    }
    int takeScrollRequest() { return std::exchange(m_scrollRequest, -1); }
    // A person selects a row (mouse or keyboard); raises the current-row-changed event.
    bool selectRow(int row);
    std::function<void()> onCurrentRowChanged;
    // A person presses a key in the list ('+', '-', kDelete).
    static constexpr int kDelete = 46;
    bool pressKey(int key);
    std::function<void(int key)> onKeyDown;

  private:
    std::vector<Column> m_columns;
    void cellsChanged(int row);

    ReportRows m_rows;
    int m_current = -1;
    int m_scrollRequest = -1;
    Changes m_changes;
    int m_rowsAtTake = 0;  // the row count when the changes were last taken
};

struct MenuGroup {
    std::string title;
    std::vector<std::string> items;
};

// A column of titled groups of items, one group open at a time.
class RollMenu : public Control {
  public:
    RollMenu(Window& w, std::string name, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::RollMenu, "", g, container) {}
    void clear();
    int addGroup(std::string title);
    void addItem(int group, std::string item);
    void clearItems(int group);
    // The group's items become these, in one change.
    void setItems(int group, std::vector<std::string> items);
    int groupCount() const { return static_cast<int>(m_groups.size()); }
    std::string groupTitle(int group) const;
    int itemCount(int group) const;
    std::string itemText(int group, int item) const;
    const std::vector<MenuGroup>& groups() const { return m_groups; }
    int openGroup() const { return m_open; }
    // The last item clicked in the open group; -1 once the open group changes or its items go.
    int selectedItem() const { return m_selectedItem; }
    // Opening a group raises its event even when the program does it.
    void setOpenGroup(int group);
    bool clickItem(int group, int item);
    std::function<void()> onOpenGroupChanged;
    std::function<void(int group, int item)> onItemClicked;

  private:
    std::vector<MenuGroup> m_groups;
    int m_open = -1;
    int m_selectedItem = -1;
};

class DatePicker : public Control {
  public:
    DatePicker(Window& w, std::string name, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::DatePicker, "", g, container) {}
    const util::CalendarTime& date() const { return m_date; }
    void setDate(const util::CalendarTime& date);
    bool pick(const util::CalendarTime& date);
    std::function<void()> onDateChanged;

  private:
    util::CalendarTime m_date{2000, 1, 1, 0, 0, 0};
};

// A tile of a board: a name, lines of text under it, and a state that sets its colours.
struct Tile {
    std::string name;
    std::vector<std::string> lines;
    int state = 0;  // 0, 1 or 2: three sets of colours told apart at a glance
    bool operator==(const Tile&) const = default;
};

// Tiles big enough for a finger, laid out to fill the control and scrolled when they do not
// fit. A person touches a tile, or asks for its menu (a right click or a long press).
class TileBoard : public Control {
  public:
    TileBoard(Window& w, std::string name, Rect g, Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::TileBoard, "", g, container) {}
    // The board shows these; nothing is redrawn when they are the tiles shown.
    void setTiles(std::vector<Tile> tiles);
    const std::vector<Tile>& tiles() const { return m_tiles; }
    int indexOf(const std::string& name) const;
    // The tile's name and lines joined by "|".
    std::string tileText(int index) const;
    bool touch(int index);
    bool askMenu(int index);
    std::function<void(int index)> onTouched;
    std::function<void(int index)> onMenuAsked;

  private:
    std::vector<Tile> m_tiles;
};

// A chart of labelled values: bars, a pie of shares, or a line over time.
enum class ChartKind { Bars, Pie, Line };
struct ChartPoint {
    std::string label;
    double value = 0;
    bool operator==(const ChartPoint&) const = default;
};
class Chart : public Control {
  public:
    Chart(Window& w, std::string name, ChartKind kind, std::string title, Rect g,
          Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::Chart, std::move(title), g, container),
          m_kind(kind) {}
    ChartKind chartKind() const { return m_kind; }
    void setPoints(std::vector<ChartPoint> points);
    const std::vector<ChartPoint>& points() const { return m_points; }

  private:
    ChartKind m_kind;
    std::vector<ChartPoint> m_points;
};

struct ToolItem {
    std::string caption;
    std::string icon;  // empty for a separator
    bool separator = false;
};

class Toolbar : public Control {
  public:
    Toolbar(Window& w, std::string name, std::vector<ToolItem> items, Rect g,
            Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::Toolbar, "", g, container),
          m_items(std::move(items)) {}
    const std::vector<ToolItem>& items() const { return m_items; }
    bool clickItem(int index);
    std::function<void(int index)> onItemClicked;

  private:
    std::vector<ToolItem> m_items;
};

class StatusBar : public Control {
  public:
    // Pane widths; -1 for the one that takes the rest.
    StatusBar(Window& w, std::string name, std::vector<int> paneWidths, Rect g,
              Control* container = nullptr)
        : Control(w, std::move(name), ControlKind::StatusBar, "", g, container),
          m_widths(std::move(paneWidths)),
          m_panes(m_widths.size()) {}
    const std::vector<int>& paneWidths() const { return m_widths; }
    int paneCount() const { return static_cast<int>(m_panes.size()); }
    std::string paneText(int pane) const;
    void setPaneText(int pane, std::string text);

  private:
    std::vector<int> m_widths;
    std::vector<std::string> m_panes;
};

class Timer : public Control {
  public:
    Timer(Window& w, std::string name, int intervalMs)
        : Control(w, std::move(name), ControlKind::Timer, "", {}, nullptr),
          m_interval(intervalMs) {}
    int interval() const { return m_interval; }
    // One period has passed.
    void tick();
    std::function<void()> onTick;

  private:
    int m_interval;
};

struct MenuEntry {
    std::string text;  // empty for a separator
    bool enabled = true;
};

// A popup menu shown at the mouse; not a control of a window.
class PopupMenu {
  public:
    PopupMenu(std::string caption, std::vector<std::string> entries);
    const std::string& caption() const { return m_caption; }
    const std::vector<MenuEntry>& entries() const { return m_entries; }
    int indexOf(const std::string& text) const;
    bool entryEnabled(int index) const;
    void setEntryEnabled(int index, bool enabled);
    // A person picks an entry; separators and disabled entries do nothing.
    bool choose(int index);
    std::function<void(int index)> onEntryClicked;

  private:
    std::string m_caption;
    std::vector<MenuEntry> m_entries;
};

}  // namespace tablora::ui
