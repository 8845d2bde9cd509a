#include "settings/display_scale_window.h"

#include <string>

#include "core/app_context.h"

namespace tablora::settings {

DisplayScaleWindow::DisplayScaleWindow(core::AppContext& app)
    : Window(app.desktop(), "DisplayScaleWindow", "显示比例", 320, 180), m_app(app) {
    // Only the scales at which the main window (1024 x 768) fits the screen.
    const ui::Desktop::ScreenSize screen = app.desktop().screenPixels();
    for (int scale : data::kDisplayScales) {
        const bool fits = screen.width == 0 || (1024 * scale <= screen.width * 100 &&
                                                768 * scale <= screen.height * 100);
        if (scale != 100 && !fits) continue;
        m_scales.push_back(scale);
        组合框_比例.addItem(std::to_string(scale) + "%");
    }
    if (m_scales.size() < std::size(data::kDisplayScales))
        标签_说明.setText("屏幕为" + std::to_string(screen.width) + "×" +
                          std::to_string(screen.height) + "，更大的比例放不下主窗口。");
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
    for (size_t i = 0; i < m_scales.size(); ++i)
        if (m_scales[i] == stored) 组合框_比例.select(static_cast<int>(i));
}

void DisplayScaleWindow::save() {
    const int chosen = 组合框_比例.selectedIndex();
    if (chosen < 0) return;
    auto& data = m_app.data();
    auto& settings = data.openOnDemand(data.displayCursor);
    // One record holds the choice: the first, made when there is none.
    const bool exists = settings.moveFirst() && settings.recordCount() > 0;
    const bool stored = (exists ? settings.edit() : settings.addNew()) &&
                        settings.write("比例", m_scales[static_cast<size_t>(chosen)]) &&
                        settings.update();
    settings.close();
    if (!stored) {
        m_app.message("显示比例设置失败，请检查！", ui::Icon::Exclamation);
        return;
    }
    m_app.message("显示比例设置成功，重新启动程序后生效！", ui::Icon::Information);
    destroy();
}

}  // namespace tablora::settings
