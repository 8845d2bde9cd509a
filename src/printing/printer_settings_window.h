#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::printing {

// The printers the program prints on, the shop's name and footer for bills, a test ticket,
// and the jobs a printer did not take, to print again.
class PrinterSettingsWindow : public ui::Window {
  public:
    explicit PrinterSettingsWindow(core::AppContext& app);
    ~PrinterSettingsWindow() override { *m_alive = false; }
    void created();

    // A header band with the way out, as the settings windows have.
    ui::GroupBox 分组框0{*this, "分组框0", {4, -2, 632, 56}};
    ui::Label 透明标签0{*this, "透明标签0", "打印设置", {16, 18, 88, 24}, &分组框0, true};
    ui::Button 按钮_关闭{*this, "按钮_关闭", "关闭", {521, 16, 95, 25}, &分组框0};
    ui::GroupBox 分组框1{*this, "分组框1", {4, 52, 632, 300}};
    ui::ReportList 超级列表框_打印机{*this,
                                     "超级列表框_打印机",
                                     {{"名称", 90, ui::Align::Left},
                                      {"连接", 230, ui::Align::Left},
                                      {"纸宽", 60, ui::Align::Center},
                                      {"用途", 60, ui::Align::Center},
                                      {"分类", 160, ui::Align::Left}},
                                     {10, 14, 612, 150},
                                     &分组框1};
    ui::Label 透明标签1{*this, "透明标签1", "名称：", {10, 178, 50, 24}, &分组框1, true};
    ui::EditBox 编辑框_名称{
        *this, "编辑框_名称", ui::EditMode::Plain, {62, 176, 110, 26}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "连接：", {186, 178, 50, 24}, &分组框1, true};
    ui::EditBox 编辑框_连接{
        *this, "编辑框_连接", ui::EditMode::Plain, {238, 176, 230, 26}, &分组框1};
    ui::Label 透明标签3{*this, "透明标签3", "纸宽：", {482, 178, 50, 24}, &分组框1, true};
    ui::ComboBox 组合框_纸宽{*this, "组合框_纸宽", false, {534, 176, 88, 26}, &分组框1};
    ui::Label 透明标签4{*this, "透明标签4", "用途：", {10, 216, 50, 24}, &分组框1, true};
    ui::ComboBox 组合框_用途{*this, "组合框_用途", false, {62, 214, 110, 26}, &分组框1};
    ui::Label 透明标签5{*this, "透明标签5", "分类：", {186, 216, 50, 24}, &分组框1, true};
    ui::EditBox 编辑框_分类{
        *this, "编辑框_分类", ui::EditMode::Plain, {238, 214, 384, 26}, &分组框1};
    ui::Button 按钮_添加{*this, "按钮_添加", "添加", {62, 254, 100, 34}, &分组框1};
    ui::Button 按钮_修改{*this, "按钮_修改", "修改", {176, 254, 100, 34}, &分组框1};
    ui::Button 按钮_删除{*this, "按钮_删除", "删除", {290, 254, 100, 34}, &分组框1};
    ui::Button 按钮_测试打印{*this, "按钮_测试打印", "测试打印", {404, 254, 100, 34}, &分组框1};

    ui::GroupBox 分组框2{*this, "分组框2", {4, 346, 632, 92}};
    ui::Label 透明标签6{*this, "透明标签6", "店名：", {10, 14, 50, 24}, &分组框2, true};
    ui::EditBox 编辑框_店名{*this, "编辑框_店名", ui::EditMode::Plain, {62, 12, 430, 26}, &分组框2};
    ui::Label 透明标签7{*this, "透明标签7", "页脚：", {10, 52, 50, 24}, &分组框2, true};
    ui::EditBox 编辑框_页脚{*this, "编辑框_页脚", ui::EditMode::Plain, {62, 50, 430, 26}, &分组框2};
    ui::Button 按钮_保存{*this, "按钮_保存", "保存", {512, 30, 100, 34}, &分组框2};

    ui::GroupBox 分组框3{*this, "分组框3", {4, 436, 632, 176}};
    ui::Label 透明标签8{*this, "透明标签8", "未打印的单据：", {10, 8, 140, 22}, &分组框3, true};
    ui::ReportList 超级列表框_任务{*this,
                                   "超级列表框_任务",
                                   {{"时间", 190, ui::Align::Left},
                                    {"打印机", 90, ui::Align::Left},
                                    {"单据", 200, ui::Align::Left}},
                                   {10, 32, 490, 108},
                                   &分组框3};
    // With kitchen printers set up: the categories none of them takes (their dishes print
    // nowhere).
    ui::Label 标签_未送厨分类{*this, "标签_未送厨分类", "", {10, 146, 612, 22}, &分组框3, true};
    ui::Button 按钮_重新打印{*this, "按钮_重新打印", "重新打印", {512, 32, 100, 34}, &分组框3};
    ui::Button 按钮_删除单据{*this, "按钮_删除单据", "删除单据", {512, 76, 100, 34}, &分组框3};

  private:
    void refresh();
    void showUntakenCategories();
    void showSelected();
    void addPrinter();
    void modifyPrinter();
    void deletePrinter();
    void testPrint();
    void saveShopText();
    void printAgain();
    void deleteJob();
    // The typed printer checked: false (and told) when it cannot be kept.
    bool typedUsable();
    bool writeTyped(bool adding);

    core::AppContext& m_app;
    std::vector<std::int64_t> m_printerIds, m_jobIds;
    // A print job's outcome may come back after the window is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace tablora::printing
