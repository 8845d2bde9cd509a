#include "settings/extra_rights_window.h"

#include "core/app_context.h"
#include "rights/extra_rights.h"
#include "util/text.h"

namespace tablora::settings {

ExtraRightsWindow::ExtraRightsWindow(core::AppContext& app, std::string user)
    : Window(app.desktop(), "ExtraRightsWindow", "附加权限", 380, 260),
      m_app(app),
      m_user(std::move(user)) {
    标签_用户.setText("用户：" + m_user);
    for (const auto& f : rights::kExtraRightFields) 选择列表框_附加权限.addItem(f.field);
    按钮_确定.onClick = [this] { save(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

void ExtraRightsWindow::created() {
    rights::ExtraRights r;
    if (!rights::readExtraRights(m_app.data().database, m_user, r)) m_app.tellReadFailed();
    for (size_t k = 0; k < rights::kExtraRightFields.size(); ++k)
        选择列表框_附加权限.setTicked(static_cast<int>(k),
                                      r.*rights::kExtraRightFields[k].member != 0);
    编辑框_最低折扣.setText(std::to_string(r.最低折扣));
    编辑框_抹零上限.setText(std::to_string(r.抹零上限));
}

void ExtraRightsWindow::save() {
    const auto lowest = util::wholeNumberIn(编辑框_最低折扣.text(), 0, 100);
    if (!lowest) {
        m_app.message("最低折扣应在0到100之间（80即8折，0不限）！", ui::Icon::Exclamation);
        return;
    }
    const auto dropped = util::wholeNumberIn(编辑框_抹零上限.text(), 0, 1000000);
    if (!dropped) {
        m_app.message("抹零上限应在0到1000000元之间（0不限）！", ui::Icon::Exclamation);
        return;
    }
    rights::ExtraRights r;
    for (size_t k = 0; k < rights::kExtraRightFields.size(); ++k)
        r.*rights::kExtraRightFields[k].member =
            选择列表框_附加权限.ticked(static_cast<int>(k)) ? 1 : 0;
    r.最低折扣 = *lowest;
    r.抹零上限 = *dropped;
    if (!rights::writeExtraRights(m_app.data().database, m_user, r)) {
        m_app.message("附加权限设置失败，请检查！", ui::Icon::Exclamation);
        return;
    }
    m_app.message("附加权限设置成功！", ui::Icon::Information);
    destroy();
}

}  // namespace tablora::settings
