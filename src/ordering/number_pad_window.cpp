#include "ordering/number_pad_window.h"

#include "core/app_context.h"
#include "util/text.h"

namespace tablora::ordering {

NumberPadWindow::NumberPadWindow(core::AppContext& app, const std::string& dish, long long quantity)
    : Window(app.desktop(), "NumberPadWindow", "数量", 260, 366), m_app(app) {
    标签_菜品.setText(dish + "（已点" + std::to_string(quantity) + "份）");
    ui::Button* digits[] = {&按钮_0, &按钮_1, &按钮_2, &按钮_3, &按钮_4,
                            &按钮_5, &按钮_6, &按钮_7, &按钮_8, &按钮_9};
    for (int d = 0; d < 10; ++d)
        digits[d]->onClick = [this, d] {
            编辑框_数量.setText(编辑框_数量.text() + std::to_string(d));
        };
    按钮_退格.onClick = [this] {
        std::string text = 编辑框_数量.text();
        if (!text.empty()) text.pop_back();
        编辑框_数量.setText(text);
    };
    按钮_清除.onClick = [this] { 编辑框_数量.setText(""); };
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    编辑框_数量.onKeyDown = [this](int key) {
        if (key == ui::EditBox::kEnter) confirm();
    };
    setInitialFocus(&编辑框_数量);
    closeOnEscape();
}

void NumberPadWindow::confirm() {
    m_chosen = util::wholeNumberIn(编辑框_数量.text(), 1, 999);
    if (!m_chosen) {
        m_app.message("菜品数量应在1到999之间！", ui::Icon::Exclamation);
        return;
    }
    destroy();
}

}  // namespace tablora::ordering
