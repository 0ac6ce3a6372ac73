#pragma once

#include "unit-sim/UnitOptions.h"

#include <string>
#include <vector>

namespace unitsim {

// What the unit-sim program was asked to do.
struct CommandLine {
    enum class Action { Run, ShowHelp, Fail };
    Action action = Action::Run;
    UnitOptions options;
    bool quiet = false;        // no log lines
    bool exitOnReboot = false; // end when the reboot request has come
    std::string error;         // for Fail: what is wrong, naming the option
};

// `arguments` without the program name. Options take their value as "--name value" or
// "--name=value".
CommandLine parseCommandLine(const std::vector<std::string> &arguments);

std::string usageText(const std::string &programName);

} // namespace unitsim
