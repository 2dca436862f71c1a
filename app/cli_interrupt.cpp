// Ctrl+C for zelto-cli run: the flag the runs poll and the watcher that ends a command that does not stop.
#include "app/cli_interrupt.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zelto::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t cloudPlanKey = 0;
// Ctrl+C also writes a byte here: a write to a pipe is one of the few things a signal handler may do,
// and it wakes the watcher, which sleeps in read() until then and so costs nothing while the run waits.
int interruptPipe[2] = {-1, -1};

#ifdef _WIN32
int OpenPipe(int fds[2]) { return _pipe(fds, 16, _O_BINARY); }
int WriteByte(int fd) { const char byte = 1; return _write(fd, &byte, 1); }
int ReadByte(int fd) { char byte; return _read(fd, &byte, 1); }
void ClosePipeEnd(int fd) { _close(fd); }
#else
int OpenPipe(int fds[2]) { return ::pipe(fds); }
int WriteByte(int fd) { const char byte = 1; return static_cast<int>(::write(fd, &byte, 1)); }
int ReadByte(int fd) { char byte; return static_cast<int>(::read(fd, &byte, 1)); }
void ClosePipeEnd(int fd) { ::close(fd); }
#endif

extern "C" void OnInterrupt(int) {
    interrupted = 1;
    if (interruptPipe[1] >= 0) WriteByte(interruptPipe[1]);
}

extern "C" void OnCloudPlanKey(int) { cloudPlanKey = 1; }

}  // namespace

bool Interrupted() { return interrupted != 0; }

std::string ListenForCloudPlanKey() {
#ifdef _WIN32
    return "no key on this system: a run started from a script cannot switch";
#else
    std::signal(SIGUSR1, OnCloudPlanKey);
    return "kill -USR1 " + std::to_string(::getpid()) + " switches to it";
#endif
}

bool TakeCloudPlanKey() {
    if (cloudPlanKey == 0) return false;
    cloudPlanKey = 0;
    return true;
}

InterruptWatch::InterruptWatch() {
    if (OpenPipe(interruptPipe) == 0) watcher_ = std::thread([this] { Watch(); });
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);  // a service manager's stop, or kill: the same orderly end
}

InterruptWatch::~InterruptWatch() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
    }
    commandEnded_.notify_all();
    if (watcher_.joinable()) {
        WriteByte(interruptPipe[1]);  // wakes a watcher still waiting for Ctrl+C
        watcher_.join();
    }
    for (int& end : interruptPipe) {
        if (end >= 0) ClosePipeEnd(end);
        end = -1;
    }
}

void InterruptWatch::Watch() {
    while (ReadByte(interruptPipe[0]) < 0 && errno == EINTR) {
    }
    std::unique_lock lock(mutex_);
    if (commandEnded_.wait_for(lock, std::chrono::milliseconds(800), [this] { return ended_; })) return;
    std::fflush(stdout);
    std::fputs("zelto-cli: run: interrupted\n", stderr);
    std::_Exit(130);
}

}  // namespace zelto::cli
