#pragma once
// Runs zelto-cli as a separate process and collects what it prints, for the command-line tests.
#include <cstdio>
#include <string>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace zelto {

struct CliRun {
    std::string output;  // standard output, then standard error when asked for
    int exitCode = -1;
};

// `arguments` follow the program name as a shell would read them; `environment` ("NAME=value ...")
// goes before it. Standard error joins the output when `withErrors`, else it is dropped.
inline CliRun RunZeltoCli(const std::string& arguments, bool withErrors = false,
                          const std::string& environment = {}) {
#if defined(_WIN32)
    // cmd /c drops the first and the last quote of a line that holds more than two: one more pair
    // around the whole keeps the program's and the arguments' own.
    const std::string command =
        "\"" + environment + "\"" + ZELTO_CLI_PATH + "\" " + arguments + (withErrors ? " 2>&1" : " 2>nul") + "\"";
    FILE* pipe = _popen(command.c_str(), "rb");
#else
    const std::string command = environment + (environment.empty() ? "\"" : " \"") + ZELTO_CLI_PATH + "\" " +
                                arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
#endif
    CliRun run;
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
#if defined(_WIN32)
    run.exitCode = _pclose(pipe);
#else
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return run;
}

// How often part occurs in text (overlapping occurrences included).
inline int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The first line of text that begins with start, without its line end; empty when there is none.
inline std::string LineStarting(const std::string& text, const std::string& start) {
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (line.rfind(start, 0) == 0) return line;
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return {};
}

}  // namespace zelto
