#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "checkout/checkout_window.h"
#include "ordering/order_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "shell/main_window.h"
#include "support/scripted_desktop.h"
#include "support/temp_db.h"

namespace tablora::test {

// A program over its own copy of the demo database, on the scripted desktop.
class AppTest : public ::testing::Test {
  protected:
    // Starts the program and logs in through the login window as a person would.
    void start(const std::string& user = "经理", const std::string& password = "888888");
    // Queues what a person does in the next login window.
    void queueLogin(const std::string& user, const std::string& password);
    void switchUser(const std::string& user, const std::string& password);
    // Adds a user with the given permission flags in the order of the user table.
    void addUser(const std::string& name, const std::string& password, const std::string& flags,
                 int skin = 0);

    shell::MainWindow& main() { return *app->mainWindow(); }
    ordering::OrderWindow& order();
    checkout::CheckoutWindow& checkout();
    // Opens a table in the order window; the message it gave.
    std::string openTable(const std::string& table, const std::string& guests);
    void addDish(const std::string& group, const std::string& dish);
    // The text of the last message box, and how many there were since the mark.
    const MessageRecord& lastMessage() const;
    size_t mark() const { return desktop.messages.size(); }
    std::string sql(const std::string& query) const { return querySql(db, query); }
    void exec(const std::string& statement) const {
        ASSERT_TRUE(execSql(db, statement)) << statement;
    }

    TempDir dir;
    std::string db = makeDemoDatabase(dir);
    ScriptedDesktop desktop;
    std::unique_ptr<shell::App> app;
};

}  // namespace tablora::test
