#pragma once

#include <ostream>
#include <string>

namespace tablora::test {

// Runs a plain-text scenario (docs/scenarios.md) against a copy of a database, headless.
// Prints a transcript; returns 0 when every expectation held, 1 at the first that did not.
int runScenario(const std::string& text, const std::string& name, const std::string& sourceDatabase,
                std::ostream& out);

}  // namespace tablora::test
