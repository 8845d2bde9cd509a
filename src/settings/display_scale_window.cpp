#include "settings/display_scale_window.h"

#include <string>

#include "core/app_context.h"

namespace tablora::settings {

DisplayScaleWindow::DisplayScaleWindow(core::AppContext& app)
    : Window(app.desktop(), "DisplayScaleWindow", "显示比例", 320, 150), m_app(app) {
    for (int scale : data::kDisplayScales) 组合框_比例.addItem(std::to_string(scale) + "%");
    按钮_确定.onClick = [this] { save(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
}

void DisplayScaleWindow::created() {
    auto& data = m_app.data();
    auto& settings = data.openOnDemand(data.displayCursor);
    const int stored = settings.moveFirst() ? settings.readInt("比例") : 100;
    settings.close();
    组合框_比例.select(0);
    for (int i = 0; i < 组合框_比例.itemCount(); ++i)
        if (data::kDisplayScales[i] == stored) 组合框_比例.select(i);
}

void DisplayScaleWindow::save() {
    const int chosen = 组合框_比例.selectedIndex();
    if (chosen < 0) return;
    auto& data = m_app.data();
    auto& settings = data.openOnDemand(data.displayCursor);
    // One record holds the choice: the first, made when there is none.
    const bool exists = settings.moveFirst() && settings.recordCount() > 0;
    const bool stored = (exists ? settings.edit() : settings.addNew()) &&
                        settings.write("比例", data::kDisplayScales[chosen]) && settings.update();
    settings.close();
    if (!stored) {
        m_app.message("显示比例设置失败，请检查！", ui::Icon::Exclamation);
        return;
    }
    m_app.message("显示比例设置成功，重新启动程序后生效！", ui::Icon::Information);
    destroy();
}

}  // namespace tablora::settings
