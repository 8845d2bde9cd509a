// What a bill takes off and adds: the reckoning in integers, the limits on a cashier, and a bill
// that changed or could not be written.
#include <climits>
#include <numeric>
#include <random>

#include "checkout/discount_window.h"
#include "checkout/split_bill_window.h"
#include "core/bill_math.h"
#include "rights/authorize_window.h"
#include "support/app_fixture.h"

using namespace tablora;
using test::AppTest;

TEST(BillMath, TheWorkedBillAndTypedRates) {
    // 东北烤全羊 188, 宫保鸡丁 2 × 28 (one comped), 青岛啤酒 6 × 8 in a category with no discount.
    const std::vector<core::BillLine> lines = {{"东北烤全羊", "热菜", 188, 1, 188},
                                               {"宫保鸡丁", "热菜", 28, 2, 56},
                                               {"青岛啤酒", "酒水", 8, 6, 48}};
    core::BillTerms terms;
    terms.comped["宫保鸡丁"] = 1;
    terms.wholeRate = 88;
    terms.noDiscount = {"酒水"};
    terms.minimum = 300;
    terms.serviceRate = 10;
    terms.roundOff = 3;
    const auto f = core::reckonBill(292, lines, terms);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->discountable, 216);
    EXPECT_EQ(std::vector<long long>({f->comps, f->wholeDiscount, f->minimumTopUp, f->service,
                                      f->beforeRoundOff, f->due}),
              std::vector<long long>({-28, -26, 62, 23, 323, 320}));
    for (const auto& [typed, rate] : std::vector<std::pair<std::string, int>>{{"88", 88},
                                                                              {"8.8", 88},
                                                                              {"8.8折", 88},
                                                                              {"9", 90},
                                                                              {"9.5", 95},
                                                                              {"100", 100},
                                                                              {"1", 10},
                                                                              {"99", 99}})
        EXPECT_EQ(core::parseRate(typed), rate) << typed;
    for (const char* bad : {"0", "101", "abc", "8.", ".8", "8.85", "-5", "0.5"})
        EXPECT_FALSE(core::parseRate(bad)) << bad;
}

TEST(BillMath, RandomBillsAddUpAndNeverChargeMore) {
    std::mt19937 random(31);
    const auto any = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 20000; ++round) {
        std::vector<core::BillLine> lines;
        core::BillTerms terms;
        long long sum = 0;
        for (int i = any(1, 5); i > 0; --i) {
            const long long price = any(1, round % 10 == 0 ? 50000000 : 300);
            const long long quantity = any(1, 30);
            const std::string dish = "菜" + std::to_string(i);
            lines.push_back({dish, any(0, 2) ? "热菜" : "酒水", price, quantity, price * quantity});
            sum += price * quantity;
            if (any(0, 3) == 0) terms.comped[dish] = any(0, static_cast<int>(quantity));
            if (any(0, 3) == 0) terms.lineRates[dish] = any(10, 99);
        }
        terms.wholeRate = any(0, 1) ? any(10, 100) : 100;
        terms.noDiscount = {"酒水"};
        terms.minimum = any(0, 1) ? any(0, 2000) : 0;
        terms.serviceRate = any(0, 30);
        terms.serviceWaived = any(0, 4) == 0;
        terms.roundOff = any(0, 1) ? any(0, 20) : 0;
        const auto f = core::reckonBill(sum, lines, terms);
        if (sum > INT_MAX) {
            EXPECT_FALSE(f);  // beyond what the file keeps: refused, never wrapped
            continue;
        }
        if (!f) {  // only a service charge on top may leave the stored range
            EXPECT_GT(sum + sum * terms.serviceRate / 100 + terms.minimum, INT_MAX);
            continue;
        }
        std::vector<core::Adjustment> kept;
        for (const auto& [dish, quantity] : terms.comped)
            kept.push_back({"赠送", dish, quantity, 0, 0, "", "", "", ""});
        for (const auto& [dish, rate] : terms.lineRates)
            kept.push_back({"单品折扣", dish, 0, rate, 0, "", "", "", ""});
        if (terms.wholeRate < 100)
            kept.push_back({"整单折扣", "", 0, terms.wholeRate, 0, "", "", "", ""});
        if (terms.serviceWaived) kept.push_back({"服务费", "", 0, 0, 0, "", "", "", ""});
        // Comps as the cash desk keeps them: their amounts written when given.
        for (auto& a : kept) {
            if (a.type != "赠送") continue;
            for (const auto& l : lines)
                if (l.dish == a.dish) a.amount = -std::min(a.quantity, l.quantity) * l.price;
        }
        const auto rows = core::settledAdjustments(*f, terms, kept);
        const long long adjusted = std::accumulate(
            rows.begin(), rows.end(), 0LL, [](long long s, const auto& a) { return s + a.amount; });
        ASSERT_EQ(f->due, sum + adjusted) << "round " << round;
        EXPECT_LE(f->comps + f->lineDiscounts + f->wholeDiscount, 0);
        EXPECT_LE(f->due, sum + f->minimumTopUp + f->service);
        if (sum + f->comps >= 1) {
            EXPECT_GE(f->due, 1) << "round " << round;
        }
    }
}

namespace {

class AdjustmentTest : public AppTest {
  protected:
    void SetUp() override {
        start();
        ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
        addDish("热菜", "东北烤全羊/188元");
        addDish("热菜", "宫保鸡丁/28元");
        openCheckout();
    }
    void openCheckout() {
        checkout().RefreshCheckoutWindow();
        checkout().超级列表框_流水.selectRow(0);
    }
    // The discount window's script, then (when given) the manager's.
    void discountWith(const std::function<void(checkout::DiscountWindow&)>& act,
                      const std::function<void(rights::AuthorizeWindow&)>& manager = {}) {
        desktop.modalScripts.push_back(
            [act](ui::Window& w) { act(static_cast<checkout::DiscountWindow&>(w)); });
        if (manager)
            desktop.modalScripts.push_back(
                [manager](ui::Window& w) { manager(static_cast<rights::AuthorizeWindow&>(w)); });
        checkout().按钮_优惠.click();
    }
};

}  // namespace

TEST_F(AdjustmentTest, ACashiersLimitsAskForAManager) {
    addUser("收银员", "1", "0100000000");
    exec("INSERT INTO 用户权限 VALUES ('收银员', 0, 0, 1, 90, 2, 0, 0, 0)");
    switchUser("收银员", "1");
    openCheckout();
    // 88折 is below his 9折: a manager approves it, or nothing is kept.
    discountWith(
        [](checkout::DiscountWindow& w) {
            w.组合框_折扣.type("88");
            w.按钮_确定.click();
        },
        [](rights::AuthorizeWindow& a) { a.按钮_取消.click(); });  // the manager is away
    EXPECT_EQ(lastMessage().text, "您的最低折扣为9折，需要授权！");
    EXPECT_EQ(sql("SELECT count(*) FROM 账单调整"), "0");
    // 抹个位 (6 of 216) is above his 2 yuan; the manager approves.
    discountWith(
        [](checkout::DiscountWindow& w) {
            w.组合框_抹零.choose(1);
            EXPECT_EQ(w.标签_应收.text(), "应收：210元");
            w.按钮_确定.click();
        },
        [](rights::AuthorizeWindow& a) {
            a.编辑框_密码.type("888888");
            a.按钮_确定.click();
        });
    EXPECT_EQ(lastMessage().text, "优惠设置成功！");
    EXPECT_EQ(checkout().标签_金额.text(), "210");
    checkout().按钮_整额.click();
    checkout().按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账成功！");
    EXPECT_EQ(sql("SELECT 类型 || 金额 FROM 账单调整"), "抹零-6");
}

TEST_F(AdjustmentTest, ACashierWithOnlyTheTillAsksAManagerForEverythingElse) {
    addUser("收银员", "1", "0100000000");
    exec("INSERT INTO 用户权限 VALUES ('收银员', 0, 0, 0, 0, 0, 0, 0, 0)");
    switchUser("收银员", "1");
    openCheckout();
    std::vector<std::string> asked;
    const auto managerAway = [&](rights::AuthorizeWindow& a) {
        asked.push_back(a.标签_说明.text());
        a.按钮_取消.click();
    };
    const auto away = [&] {
        desktop.modalScripts.push_back([&](ui::Window& w) {
            ASSERT_EQ(w.name(), "AuthorizeWindow");
            managerAway(static_cast<rights::AuthorizeWindow&>(w));
        });
    };
    checkout().超级列表框_明细.selectRow(1);
    away();
    checkout().按钮_赠送.click();
    away();
    checkout().按钮_拆单.click();
    discountWith(
        [](checkout::DiscountWindow& w) {
            w.组合框_折扣.type("95");
            w.按钮_确定.click();
            w.按钮_取消.click();
        },
        managerAway);
    discountWith(
        [](checkout::DiscountWindow& w) {
            w.选择框_免服务费.tick(0, true);
            w.按钮_确定.click();
            w.按钮_取消.click();
        },
        managerAway);
    EXPECT_EQ(asked, (std::vector<std::string>{
                         "需要“赠送”权限的用户授权：", "需要“拆单”权限的用户授权：",
                         "需要“折扣”权限的用户授权：", "需要“免服务费”权限的用户授权："}));
    EXPECT_EQ(sql("SELECT count(*) FROM 账单调整"), "0");
    EXPECT_EQ(sql("SELECT count(*) || '/' || sum(金额) FROM 流水"), "1/216");
    EXPECT_EQ(sql("SELECT count(*) FROM 操作记录"), "0");
    // The till itself is his.
    checkout().按钮_整额.click();
    checkout().按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账成功！");
}

TEST_F(AdjustmentTest, ABillChangedElsewhereOrNotWrittenIsRefusedWhole) {
    // Settled by another till while the discount is being chosen.
    discountWith([this](checkout::DiscountWindow& w) {
        w.组合框_折扣.type("9");
        exec("UPDATE 流水 SET 状态 = 1");
        w.按钮_确定.click();
    });
    EXPECT_EQ(lastMessage().text, "该单已结账或已被修改，请刷新后重试！");
    EXPECT_EQ(sql("SELECT count(*) FROM 账单调整"), "0");
    exec("UPDATE 流水 SET 状态 = 0");
    openCheckout();
    discountWith([](checkout::DiscountWindow& w) {
        w.组合框_折扣.type("9");
        w.按钮_确定.click();
    });
    EXPECT_EQ(checkout().标签_金额.text(), "194");  // 216 × 90% = 194.4: rounded down
    // A refused write of the settled bill's rows takes the whole settlement back.
    exec("CREATE TRIGGER 拒绝 BEFORE INSERT ON 账单调整 BEGIN SELECT RAISE(ABORT, 'no'); END");
    checkout().按钮_整额.click();
    checkout().按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账失败，请检查！");
    EXPECT_EQ(sql("SELECT 状态 || '/' || (SELECT count(*) FROM 结账) FROM 流水"), "0/0");
    EXPECT_EQ(sql("SELECT 类型 || 比例 FROM 账单调整"), "整单折扣90");
}

TEST_F(AdjustmentTest, ASplitKeepsEveryDishWhole) {
    addDish("酒水", "青岛啤酒/8元");
    order().超级列表框_点菜.selectRow(2);
    for (int i = 0; i < 3; ++i) order().按钮_数量加.click();
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        const std::string before =
            sql("SELECT group_concat(菜品 || sum, ';') FROM (SELECT 菜品, sum(数量) AS sum FROM "
                "明细 GROUP BY 菜品 ORDER BY 菜品)");
        openCheckout();
        desktop.modalScripts.push_back([&](ui::Window& w) {
            auto& s = static_cast<checkout::SplitBillWindow&>(w);
            s.超级列表框_原单.selectRow(static_cast<int>(random() % s.超级列表框_原单.rowCount()));
            s.按钮_移入.click();
            s.按钮_确定.click();
        });
        checkout().按钮_拆单.click();
        EXPECT_EQ(sql("SELECT count(*) FROM 流水"), std::to_string(round + 2));
        EXPECT_EQ(sql("SELECT group_concat(菜品 || sum, ';') FROM (SELECT 菜品, sum(数量) AS sum "
                      "FROM 明细 GROUP BY 菜品 ORDER BY 菜品)"),
                  before);
        EXPECT_EQ(sql("SELECT count(*) FROM 流水 j WHERE 金额 <> (SELECT coalesce(sum(金额), 0) "
                      "FROM 明细 d WHERE d.单号 = j.单号)"),
                  "0");
    }
}
