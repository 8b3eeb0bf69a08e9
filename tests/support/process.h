// Native tests and benchmarks that run other programs (the reference
// readers, yanqing-server, fc-scan): a shell command's output and status,
// and quoting for the shell.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace yq::test {

// Runs `command` with /bin/sh; its standard output goes to `out`. The exit
// status, or -1 when it could not be run or did not exit normally.
inline int run_command(const std::string& command, std::string& out) {
    out.clear();
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The standard output alone.
inline std::string command_output(const std::string& command) {
    std::string out;
    run_command(command, out);
    return out;
}

// `s` as one word for the shell, whatever it holds.
inline std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

}  // namespace yq::test
