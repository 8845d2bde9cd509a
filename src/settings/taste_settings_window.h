#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::settings {

// The notes offered for the kitchen (少辣, 不要香菜 …), for every category or for one.
class TasteSettingsWindow : public ui::Window {
  public:
    explicit TasteSettingsWindow(core::AppContext& app);
    void created();
    // False, having told the person, when the file could not be read.
    bool refreshTastes();

    ui::GroupBox 分组框0{*this, "分组框0", {4, -2, 452, 56}};
    ui::Label 透明标签0{*this, "透明标签0", "口味设置", {16, 18, 88, 24}, &分组框0, true};
    ui::Button 按钮_关闭{*this, "按钮_关闭", "关闭", {341, 16, 95, 25}, &分组框0};
    ui::GroupBox 分组框1{*this, "分组框1", {4, 52, 452, 330}};
    ui::ListBox 列表框_口味{*this, "列表框_口味", {10, 14, 200, 306}, &分组框1};
    ui::Label 透明标签1{*this, "透明标签1", "口味：", {224, 18, 60, 24}, &分组框1, true};
    ui::EditBox 编辑框_口味{
        *this, "编辑框_口味", ui::EditMode::Plain, {284, 16, 152, 28}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "分类：", {224, 58, 60, 24}, &分组框1, true};
    ui::ComboBox 组合框_分类{*this, "组合框_分类", false, {284, 56, 152, 28}, &分组框1};
    ui::Button 按钮_添加{*this, "按钮_添加", "添加", {284, 110, 152, 40}, &分组框1};
    ui::Button 按钮_修改{*this, "按钮_修改", "修改", {284, 160, 152, 40}, &分组框1};
    ui::Button 按钮_删除{*this, "按钮_删除", "删除", {284, 210, 152, 40}, &分组框1};
    ui::Label 透明标签3{
        *this,    "透明标签3", "分类为“全部”的口味用于所有菜品。", {224, 270, 220, 40},
        &分组框1, true};

  private:
    struct Taste {
        std::int64_t rowid;
        std::string name, category;
    };
    void showTaste();
    void add();
    void rename();
    void remove();
    // The name typed and the category chosen ("" for every one); false, having said why.
    bool fieldsUsable(int except, std::string& name, std::string& category);
    void done(bool ok, const std::string& action);

    core::AppContext& m_app;
    std::vector<Taste> m_tastes;  // as listed
};

}  // namespace tablora::settings
