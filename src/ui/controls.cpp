#include "ui/controls.h"

#include <algorithm>
#include <cstring>

#include "ui/window.h"

namespace tablora::ui {
namespace {

bool inRange(int index, size_t size) {
    return index >= 0 && static_cast<size_t>(index) < size;
}

}  // namespace

Control::Control(Window& window, std::string name, ControlKind kind, std::string text,
                 Rect geometry, Control* container)
    : m_text(std::move(text)),
      m_window(window),
      m_name(std::move(name)),
      m_kind(kind),
      m_geometry(geometry),
      m_container(container) {
    window.registerControl(this);
}

void Control::setText(std::string text) {
    if (text == m_text) return;
    m_text = std::move(text);
    changed();
}

void Control::setEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    changed();
}

void Control::setVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    changed();
}

bool Control::usable() const {
    if (m_window.destroyed() || !m_enabled || !m_visible) return false;
    for (Control* c = m_container; c; c = c->container())
        if (!c->enabled()) return false;
    return true;
}

bool Button::click() {
    if (!usable()) return false;
    if (onClick) onClick();
    return true;
}

bool EditBox::type(const std::string& text) {
    if (!usable()) return false;
    std::string accepted;
    bool afterPoint = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (m_mode == EditMode::WholeNumber) {
            // Whole yuan only: the digits after a point are not taken, never joined to the
            // whole part ("6.5" is 6, not 65).
            const std::string_view rest = std::string_view(text).substr(i);
            const size_t point = c == '.'                                           ? 1
                                 : rest.starts_with("．") || rest.starts_with("。") ? 3
                                                                                    : 0;
            if (point > 0) {
                afterPoint = true;
                i += point - 1;
                continue;
            }
            const bool digit = c >= '0' && c <= '9';
            if (afterPoint && digit) continue;
            afterPoint = false;
            if (!digit && c != '-') continue;
        }
        if (m_mode != EditMode::MultiLine && (c == '\n' || c == '\r')) continue;
        accepted.push_back(c);
    }
    setText(std::move(accepted));
    if (onTyped) onTyped();
    return true;
}

bool EditBox::pressKey(int key) {
    if (!usable()) return false;
    if (onKeyDown) onKeyDown(key);
    return true;
}

void ItemControl::clear() {
    m_items.clear();
    m_selected = -1;
    changed();
}

void ItemControl::addItem(std::string item) {
    m_items.push_back(std::move(item));
    changed();
}

std::string ItemControl::itemText(int index) const {
    return inRange(index, m_items.size()) ? m_items[static_cast<size_t>(index)] : std::string();
}

void ItemControl::select(int index) {
    m_selected = inRange(index, m_items.size()) ? index : -1;
    changed();
}

bool ItemControl::choose(int index) {
    if (!usable() || !inRange(index, m_items.size())) return false;
    select(index);
    if (onSelectionChanged) onSelectionChanged();
    return true;
}

void ComboBox::clear() {
    m_text.clear();
    ItemControl::clear();
}

void ComboBox::select(int index) {
    m_text = itemText(inRange(index, m_items.size()) ? index : -1);
    ItemControl::select(index);
}

bool ComboBox::type(const std::string& text) {
    if (!usable() || !m_editable) return false;
    m_selected = -1;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i] == text) m_selected = static_cast<int>(i);
    m_text = text;
    changed();
    if (onTyped) onTyped();
    return true;
}

void CheckListBox::clear() {
    m_ticks.clear();
    ItemControl::clear();
}

void CheckListBox::addItem(std::string item) {
    m_ticks.push_back(false);
    ItemControl::addItem(std::move(item));
}

bool CheckListBox::ticked(int index) const {
    return inRange(index, m_ticks.size()) && m_ticks[static_cast<size_t>(index)];
}

void CheckListBox::setTicked(int index, bool ticked) {
    if (!inRange(index, m_ticks.size())) return;
    m_ticks[static_cast<size_t>(index)] = ticked;
    changed();
}

bool CheckListBox::tick(int index, bool ticked) {
    if (!usable() || !inRange(index, m_ticks.size())) return false;
    setTicked(index, ticked);
    if (onTickChanged) onTickChanged(index);
    return true;
}

namespace {

// The length that starts a packed cell, seven bits a byte; moves `at` past it.
size_t lengthAt(std::string_view packed, size_t& at) {
    size_t n = 0;
    for (int shift = 0; at < packed.size(); shift += 7) {
        const auto byte = static_cast<unsigned char>(packed[at++]);
        n |= static_cast<size_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) break;
    }
    return n;
}

void appendLength(std::string& out, size_t n) {
    for (;; n >>= 7) {
        out += static_cast<char>((n & 0x7F) | (n > 0x7F ? 0x80 : 0));
        if (n <= 0x7F) break;
    }
}

}  // namespace

ReportRows::CellPlace ReportRows::place(std::string_view row, int column) const {
    CellPlace p;
    size_t at = static_cast<size_t>(m_columns);
    for (int c = 0;; ++c) {
        p.lengthAt = at;
        const size_t n = lengthAt(row, at);
        if (c == column) {
            p.textAt = at;
            p.textEnd = std::min(at + n, row.size());
            return p;
        }
        at += n;
    }
}

bool ReportRows::readIfNeeded(int row) const {
    if (m_rows[static_cast<size_t>(row)].block != kNotRead) return true;
    auto& self = const_cast<ReportRows&>(*this);
    const int first = row - row % kReadRun;
    const int count = std::min(kReadRun, rowCount() - first);
    if (m_read && !self.m_read(self, first, count)) return false;
    for (int r = first; r < first + count; ++r)
        if (m_rows[static_cast<size_t>(r)].block == kNotRead) self.fillRow(r, {});
    return true;
}

std::string_view ReportRows::rowBytes(int row) const {
    if (!readIfNeeded(row)) {
        if (m_emptyRow.empty()) rowImage(const_cast<ReportRows&>(*this).m_emptyRow, {});
        return m_emptyRow;
    }
    const RowPlace& r = m_rows[static_cast<size_t>(row)];
    return {m_blocks[r.block].get() + r.offset, r.size};
}

char* ReportRows::rowData(int row) {
    if (!readIfNeeded(row)) fillRow(row, {});
    const RowPlace& r = m_rows[static_cast<size_t>(row)];
    return m_blocks[r.block].get() + r.offset;
}

ReportRows::RowPlace ReportRows::store(std::string_view bytes) {
    if (m_blocks.empty() || m_freshBlock || m_used + bytes.size() > m_lastBlockSize) {
        // A run read for one visit gets small blocks of its own, to be let go after it.
        m_lastBlockSize = std::max(m_freshBlock ? kBlockSize / 16 : kBlockSize, bytes.size());
        m_freshBlock = false;
        m_blocks.push_back(std::make_unique<char[]>(m_lastBlockSize));
        m_used = 0;
    }
    RowPlace place{static_cast<std::uint32_t>(m_blocks.size() - 1),
                   static_cast<std::uint32_t>(m_used), static_cast<std::uint32_t>(bytes.size())};
    std::memcpy(m_blocks.back().get() + m_used, bytes.data(), bytes.size());
    m_used += bytes.size();
    return place;
}

int ReportRows::append(std::string_view bytes) {
    m_rows.push_back(store(bytes));
    if (!m_keys.empty()) m_keys.push_back(0);
    return rowCount() - 1;
}

int ReportRows::addRow(std::vector<std::string> cells) {
    m_scratch.assign(static_cast<size_t>(m_columns), '\0');
    for (int c = 0; c < m_columns; ++c) {
        const std::string_view cell = static_cast<size_t>(c) < cells.size()
                                          ? std::string_view(cells[static_cast<size_t>(c)])
                                          : std::string_view();
        appendLength(m_scratch, cell.size());
        m_scratch += cell;
    }
    return append(m_scratch);
}

void ReportRows::rowImage(std::string& bytes, std::initializer_list<std::string_view> cells) const {
    bytes.assign(static_cast<size_t>(m_columns), '\0');
    int c = 0;
    for (const auto& cell : cells) {
        if (c++ == m_columns) break;
        appendLength(bytes, cell.size());
        bytes += cell;
    }
    for (; c < m_columns; ++c) appendLength(bytes, 0);
}

int ReportRows::addRow(std::initializer_list<std::string_view> cells) {
    rowImage(m_scratch, cells);
    return append(m_scratch);
}

int ReportRows::addKeyedRow(std::int64_t key) {
    m_keys.resize(m_rows.size());
    m_keys.push_back(key);
    m_rows.push_back(RowPlace{kNotRead, 0, 0});
    return rowCount() - 1;
}

void ReportRows::forEachRow(const std::function<void(int row)>& visit) const {
    auto& self = const_cast<ReportRows&>(*this);
    for (int first = 0; first < rowCount(); first += kReadRun) {
        const int end = std::min(rowCount(), first + kReadRun);
        const size_t blocksBefore = m_blocks.size();
        bool unread = false;
        for (int r = first; r < end && !unread; ++r) unread = !isRead(r);
        self.m_freshBlock = unread;
        for (int r = first; r < end; ++r) visit(r);
        self.m_freshBlock = false;
        if (!unread || m_blocks.size() == blocksBefore) continue;
        for (int r = first; r < end; ++r)
            if (m_rows[static_cast<size_t>(r)].block >= blocksBefore)
                self.m_rows[static_cast<size_t>(r)] = RowPlace{kNotRead, 0, 0};
        for (size_t b = blocksBefore; b < m_blocks.size(); ++b) self.m_blocks[b].reset();
        self.m_used = m_lastBlockSize;  // the next row stored starts a new block
    }
}

bool ReportRows::isRead(int row) const {
    return inRange(row, m_rows.size()) && m_rows[static_cast<size_t>(row)].block != kNotRead;
}

std::int64_t ReportRows::key(int row) const {
    return inRange(row, m_keys.size()) ? m_keys[static_cast<size_t>(row)] : 0;
}

void ReportRows::fillRow(int row, std::initializer_list<std::string_view> cells) {
    if (!inRange(row, m_rows.size())) return;
    rowImage(m_scratch, cells);
    m_rows[static_cast<size_t>(row)] = store(m_scratch);
}

std::string_view ReportRows::cellView(int row, int column) const {
    if (!inRange(row, m_rows.size()) || column < 0 || column >= m_columns) return {};
    const std::string_view r = rowBytes(row);
    const CellPlace p = place(r, column);
    return r.substr(p.textAt, p.textEnd - p.textAt);
}

void ReportRows::rowCells(int row, std::vector<std::string_view>& cells) const {
    cells.assign(static_cast<size_t>(m_columns), std::string_view());
    if (!inRange(row, m_rows.size())) return;
    const std::string_view r = rowBytes(row);
    size_t at = static_cast<size_t>(m_columns);
    for (size_t c = 0; c < cells.size(); ++c) {
        const size_t n = lengthAt(r, at);
        cells[c] = at < r.size() ? r.substr(at, n) : std::string_view();
        at += n;
    }
}

bool ReportRows::setCell(int row, int column, std::string_view text) {
    if (!inRange(row, m_rows.size()) || column < 0 || column >= m_columns) return false;
    const std::string_view r = rowBytes(row);
    const CellPlace p = place(r, column);
    if (r.substr(p.textAt, p.textEnd - p.textAt) == text) return false;
    m_scratch.assign(r.substr(0, p.lengthAt));
    appendLength(m_scratch, text.size());
    m_scratch += text;
    m_scratch += r.substr(p.textEnd);
    m_rows[static_cast<size_t>(row)] = store(m_scratch);
    return true;
}

std::string ReportRows::cellImage(int row, int column) const {
    if (!inRange(row, m_rows.size()) || column < 0 || column >= m_columns) return {};
    const auto id = static_cast<unsigned char>(rowBytes(row)[static_cast<size_t>(column)]);
    return id == 0 ? std::string() : m_imageNames[id - 1u];
}

bool ReportRows::setCellImage(int row, int column, std::string image) {
    if (!inRange(row, m_rows.size()) || column < 0 || column >= m_columns) return false;
    size_t id = 0;
    if (!image.empty()) {
        const auto it = std::find(m_imageNames.begin(), m_imageNames.end(), image);
        id = static_cast<size_t>(it - m_imageNames.begin()) + 1;
        if (it == m_imageNames.end()) {
            if (m_imageNames.size() >= 255) return false;  // a list tells a few states apart
            m_imageNames.push_back(std::move(image));
        }
    }
    rowData(row)[column] = static_cast<char>(id);
    return true;
}

bool ReportRows::removeRow(int row) {
    if (!inRange(row, m_rows.size())) return false;
    m_rows.erase(m_rows.begin() + row);
    if (inRange(row, m_keys.size())) m_keys.erase(m_keys.begin() + row);
    return true;
}

void ReportRows::clear() {
    // Gives the memory of a long list back.
    std::vector<RowPlace>().swap(m_rows);
    std::vector<std::int64_t>().swap(m_keys);
    m_blocks.clear();
    m_used = m_lastBlockSize = 0;
}

int ReportList::addRow(std::vector<std::string> cells) {
    const int row = m_rows.addRow(std::move(cells));
    changed();
    return row;
}

std::vector<std::string> ReportList::row(int index) const {
    std::vector<std::string> cells;
    for (int c = 0; inRange(index, static_cast<size_t>(rowCount())) && c < columnCount(); ++c)
        cells.emplace_back(cellView(index, c));
    return cells;
}

ReportList::Changes ReportList::takeChanges() {
    m_rowsAtTake = rowCount();
    return std::exchange(m_changes, Changes{});
}

void ReportList::cellsChanged(int row) {
    if (m_changes.reset) return;
    m_changes.first = m_changes.first < 0 ? row : std::min(m_changes.first, row);
    m_changes.last = std::max(m_changes.last, row);
}

void ReportList::setCell(int row, int column, std::string text) {
    if (!m_rows.setCell(row, column, text)) return;
    cellsChanged(row);
    changed();
}

void ReportList::setCellImage(int row, int column, std::string image) {
    if (!m_rows.setCellImage(row, column, std::move(image))) return;
    cellsChanged(row);
    changed();
}

void ReportList::removeRow(int row) {
    const int before = rowCount();
    if (!m_rows.removeRow(row)) return;
    // One removal alone is told as such; with anything else pending the view starts afresh.
    if (m_changes.removed >= 0 || m_changes.first >= 0 || before != m_rowsAtTake)
        m_changes.reset = true;
    else
        m_changes.removed = row;
    if (m_current == row)
        m_current = -1;
    else if (m_current > row)
        --m_current;
    changed();
}

void ReportList::clearRows() {
    m_rows.clear();
    m_current = -1;
    m_changes.reset = true;
    changed();
}

void ReportList::setRows(ReportRows rows) {
    if (rows.columnCount() != columnCount()) return;
    m_rows = std::move(rows);
    m_current = -1;
    m_changes.reset = true;
    changed();
}

void ReportList::setCurrentRow(int row) {
    m_current = inRange(row, static_cast<size_t>(rowCount())) ? row : -1;
    changed();
}

bool ReportList::pressKey(int key) {
    if (!usable()) return false;
    if (onKeyDown) onKeyDown(key);
    return true;
}

bool ReportList::selectRow(int row) {
    if (!usable() || !inRange(row, static_cast<size_t>(rowCount()))) return false;
    if (row == m_current) return true;
    setCurrentRow(row);
    if (onCurrentRowChanged) onCurrentRowChanged();
    return true;
}

void RollMenu::clear() {
    m_groups.clear();
    m_open = -1;
    m_selectedItem = -1;
    changed();
}

int RollMenu::addGroup(std::string title) {
    m_groups.push_back({std::move(title), {}});
    changed();
    return groupCount() - 1;
}

void RollMenu::addItem(int group, std::string item) {
    if (!inRange(group, m_groups.size())) return;
    m_groups[static_cast<size_t>(group)].items.push_back(std::move(item));
    changed();
}

void RollMenu::clearItems(int group) {
    if (!inRange(group, m_groups.size())) return;
    m_groups[static_cast<size_t>(group)].items.clear();
    if (group == m_open) m_selectedItem = -1;
    changed();
}

void RollMenu::setItems(int group, std::vector<std::string> items) {
    if (!inRange(group, m_groups.size())) return;
    m_groups[static_cast<size_t>(group)].items = std::move(items);
    if (group == m_open) m_selectedItem = -1;
    changed();
}

std::string RollMenu::groupTitle(int group) const {
    return inRange(group, m_groups.size()) ? m_groups[static_cast<size_t>(group)].title
                                           : std::string();
}

int RollMenu::itemCount(int group) const {
    return inRange(group, m_groups.size())
               ? static_cast<int>(m_groups[static_cast<size_t>(group)].items.size())
               : 0;
}

std::string RollMenu::itemText(int group, int item) const {
    if (!inRange(group, m_groups.size())) return {};
    const auto& items = m_groups[static_cast<size_t>(group)].items;
    return inRange(item, items.size()) ? items[static_cast<size_t>(item)] : std::string();
}

void RollMenu::setOpenGroup(int group) {
    const int open = inRange(group, m_groups.size()) ? group : -1;
    if (open == m_open) return;
    m_open = open;
    m_selectedItem = -1;
    changed();
    if (onOpenGroupChanged) onOpenGroupChanged();
}

bool RollMenu::clickItem(int group, int item) {
    if (!usable() || !inRange(group, m_groups.size()) ||
        !inRange(item, m_groups[static_cast<size_t>(group)].items.size()))
        return false;
    m_selectedItem = group == m_open ? item : -1;
    if (onItemClicked) onItemClicked(group, item);
    return true;
}

void Chart::setPoints(std::vector<ChartPoint> points) {
    if (points == m_points) return;
    m_points = std::move(points);
    changed();
}

void TileBoard::setTiles(std::vector<Tile> tiles) {
    if (tiles == m_tiles) return;
    m_tiles = std::move(tiles);
    changed();
}

int TileBoard::indexOf(const std::string& name) const {
    for (size_t i = 0; i < m_tiles.size(); ++i)
        if (m_tiles[i].name == name) return static_cast<int>(i);
    return -1;
}

std::string TileBoard::tileText(int index) const {
    if (!inRange(index, m_tiles.size())) return {};
    const Tile& tile = m_tiles[static_cast<size_t>(index)];
    std::string text = tile.name;
    for (const auto& line : tile.lines) text += "|" + line;
    return text;
}

bool TileBoard::touch(int index) {
    if (!usable() || !inRange(index, m_tiles.size())) return false;
    if (onTouched) onTouched(index);
    return true;
}

bool TileBoard::askMenu(int index) {
    if (!usable() || !inRange(index, m_tiles.size())) return false;
    if (onMenuAsked) onMenuAsked(index);
    return true;
}

void DatePicker::setDate(const util::CalendarTime& date) {
    m_date = date;
    changed();
}

bool DatePicker::pick(const util::CalendarTime& date) {
    if (!usable()) return false;
    setDate(date);
    if (onDateChanged) onDateChanged();
    return true;
}

bool Toolbar::clickItem(int index) {
    if (!usable() || !inRange(index, m_items.size())) return false;
    if (onItemClicked) onItemClicked(index);
    return true;
}

std::string StatusBar::paneText(int pane) const {
    return inRange(pane, m_panes.size()) ? m_panes[static_cast<size_t>(pane)] : std::string();
}

void StatusBar::setPaneText(int pane, std::string text) {
    if (!inRange(pane, m_panes.size())) return;
    m_panes[static_cast<size_t>(pane)] = std::move(text);
    changed();
}

void Timer::tick() {
    if (!enabled() || window().destroyed()) return;
    if (onTick) onTick();
}

PopupMenu::PopupMenu(std::string caption, std::vector<std::string> entries)
    : m_caption(std::move(caption)) {
    for (auto& e : entries) m_entries.push_back({std::move(e), true});
}

int PopupMenu::indexOf(const std::string& text) const {
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (!text.empty() && m_entries[i].text == text) return static_cast<int>(i);
    return -1;
}

bool PopupMenu::entryEnabled(int index) const {
    return inRange(index, m_entries.size()) && m_entries[static_cast<size_t>(index)].enabled &&
           !m_entries[static_cast<size_t>(index)].text.empty();
}

void PopupMenu::setEntryEnabled(int index, bool enabled) {
    if (inRange(index, m_entries.size())) m_entries[static_cast<size_t>(index)].enabled = enabled;
}

bool PopupMenu::choose(int index) {
    if (!entryEnabled(index)) return false;
    if (onEntryClicked) onEntryClicked(index);
    return true;
}

}  // namespace tablora::ui
