#pragma once

#include <string>
#include <vector>

#include "board/table_moves.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::board {

// The dining room at a glance: a tile per table, free or eating (guests, minutes, amount),
// a touch to take the order, and moving or merging a party from a tile's menu.
class TableBoardWindow : public ui::Window {
  public:
    explicit TableBoardWindow(core::AppContext& app);
    void created();
    // Reads the tables and their unpaid orders again; `tell` says so when they cannot be read.
    void refresh(bool tell = true);

    ui::Label 标签_提示{*this, "标签_提示", "", {12, 8, 700, 24}, nullptr, true};
    ui::TileBoard 图块框_餐台{*this, "图块框_餐台", {4, 38, 1016, 588}};
    ui::Timer 时钟_刷新{*this, "时钟_刷新", 60000};
    ui::PopupMenu 餐台菜单{"餐台菜单", {"换台", "并台", "拆单", "结账"}};

  private:
    enum class Picking { None, Move, Merge };
    void touched(int index);
    void menuAsked(int index);
    void menuChosen(int entry);
    void picked(const std::string& table);
    void leavePicking();
    // The order window and the cash desk show what a move or a merge did.
    void afterChange(const OpenOrder& kept, const std::string& gone);
    // The unpaid order at a table as last read; null when it is free.
    const OpenOrder* orderAt(const std::string& table) const;

    core::AppContext& m_app;
    std::vector<std::string> m_tables;
    std::vector<OpenOrder> m_orders;
    Picking m_picking = Picking::None;
    OpenOrder m_from;  // the order a move or a merge starts from
    int m_menuTile = -1;
};

}  // namespace tablora::board
