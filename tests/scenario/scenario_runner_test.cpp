// The scenario runner must fail loudly: a wrong expectation, a message box nobody expected,
// an action a person could not do, each names its line.
#include <gtest/gtest.h>

#include <sstream>

#include "support/scenario_runner.h"

using tablora::test::runScenario;

namespace {

std::string run(const std::string& text, int expectedCode) {
    std::ostringstream out;
    EXPECT_EQ(runScenario(text, "t.scn", "", out), expectedCode) << out.str();
    return out.str();
}

constexpr const char* kLogin =
    "start\ntype LoginWindow.编辑框_密码 888888\nclick LoginWindow.按钮_登录\n";

}  // namespace

TEST(ScenarioRunner, PassesAndFailsNamingTheLine) {
    run(std::string(kLogin) + "expect text MainWindow.标签_用户 \"经理\"\n", 0);
    const std::string wrong =
        run(std::string(kLogin) + "expect text MainWindow.标签_用户 \"别人\"\n", 1);
    EXPECT_NE(wrong.find("t.scn:4: MainWindow.标签_用户 text: expected \"别人\", got \"经理\""),
              std::string::npos)
        << wrong;
}

TEST(ScenarioRunner, AnUnexpectedMessageBoxFails) {
    const std::string out =
        run("start\nclick LoginWindow.按钮_登录\nclick LoginWindow.按钮_取消\n", 1);
    EXPECT_NE(out.find("message box not expected by the scenario: 密码不能为空！"),
              std::string::npos)
        << out;
}

TEST(ScenarioRunner, ActionsAPersonCouldNotDoFail) {
    const std::string disabled = run(std::string(kLogin) +
                                         "sql \"UPDATE 用户 SET 开台=0\"\n"
                                         "toolbar MainWindow.工具条1 切换用户\n"
                                         "type LoginWindow.编辑框_密码 888888\n"
                                         "click LoginWindow.按钮_登录\n"
                                         "toolbar MainWindow.工具条1 开台点菜\n"
                                         "click OrderWindow.按钮_开台\n",
                                     1);
    EXPECT_NE(disabled.find("t.scn:9: could not click OrderWindow.按钮_开台"), std::string::npos)
        << disabled;
    const std::string missing = run(std::string(kLogin) + "click OrderWindow.按钮_开台\n", 1);
    EXPECT_NE(missing.find("window not loaded: OrderWindow"), std::string::npos) << missing;
    const std::string unknown = run("frobnicate\n", 1);
    EXPECT_NE(unknown.find("t.scn:1: unknown command frobnicate"), std::string::npos) << unknown;
}
