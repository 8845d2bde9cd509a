#pragma once

#include <string>

namespace tablora::core {
class AppContext;
}
namespace tablora::ui {
class Window;
}

namespace tablora::checkout {

// A bill settled by mistake goes back to the cash desk: the right (or a manager's approval),
// the question, a reason, then in one transaction it is unpaid again, its payments gone and
// traced. True when it was reopened.
bool reopenBill(core::AppContext& app, ui::Window& owner, const std::string& number);

}  // namespace tablora::checkout
