// Subcommands of yanqing-server. Each command lives in its own cmd_*.cpp and
// registers itself with a static Command object:
//
//   static yq::server::Command reg{"dump", "FILE.mdb [TABLE...]", "print tables as JSON",
//   run_dump};
//
// run receives the arguments after the command name and returns the exit
// code. "yanqing-server CMD --help" prints the usage line and the summary.
#pragma once

#include <string>
#include <vector>

namespace yq::server {

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    Command(const char* name, const char* usage, const char* summary, CommandFn run);
    const char* name;
    const char* usage;
    const char* summary;
    CommandFn run;
};

const std::vector<const Command*>& commands();

}  // namespace yq::server
