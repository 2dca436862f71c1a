#include "platform/std_shell.h"

#ifdef _WIN32
#include <windows.h>

#include <string>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "eclipse_data/file_text.h"

namespace zelto {

#ifdef _WIN32

bool StdShell::StartBatch(const std::string& path) {
    // The file is one quoted argument; a name holding a quote is refused rather than parsed.
    const std::wstring file = PathOf(path).wstring();
    if (file.find(L'"') != std::wstring::npos) return false;
    std::wstring command = L"cmd /c \"" + file + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

#else

extern "C" char** environ;

bool StdShell::StartBatch(const std::string& path) {
    // A child that starts the shell and ends at once: the shell, orphaned, is nobody's to wait for.
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        pid_t shell;
        char* const argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>(path.c_str()), nullptr};
        _exit(posix_spawn(&shell, "/bin/sh", nullptr, nullptr, argv, environ) == 0 ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) < 0) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#endif

}  // namespace zelto
