#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tablora::ui::qt {

// The program's images, drawn rather than shipped: "app", "user", "key", and the toolbar's
// "switch-user", "order", "checkout", "query", "settings".
QPixmap drawnImage(const QString& name, int size);
QIcon drawnIcon(const QString& name);

}  // namespace tablora::ui::qt
