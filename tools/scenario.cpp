// tablora-scenario: runs plain-text scenarios of whole evenings against a copy of a cysj.db,
// without a display. See docs/scenarios.md.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/scenario_runner.h"

int main(int argc, char** argv) {
    std::string database;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--db" && i + 1 < argc) {
            database = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            std::cout << "usage: tablora-scenario [--db cysj.db] SCENARIO.scn...\n"
                         "Without --db each scenario runs on a fresh demo database.\n";
            return 0;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << "usage: tablora-scenario [--db cysj.db] SCENARIO.scn...\n";
        return 2;
    }
    int failed = 0;
    for (const auto& file : files) {
        std::ifstream in(file);
        if (!in) {
            std::cerr << "cannot read " << file << "\n";
            return 2;
        }
        std::stringstream text;
        text << in.rdbuf();
        failed += tablora::test::runScenario(text.str(), file, database, std::cout);
    }
    std::cout << files.size() - static_cast<size_t>(failed) << " passed, " << failed << " failed\n";
    return failed ? 1 : 0;
}
