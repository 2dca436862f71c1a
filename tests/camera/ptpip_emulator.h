#pragma once
// The camera emulator on the wire (tests/camera/ptpip_camera.py, a Canon EOS body on PTP/IP), run by
// python3 for one test or benchmark: it listens on a free port of 127.0.0.1, takes its commands on
// its standard input and ends with this object (or with the process that started it, whose end
// closes that input). POSIX only, as is libgphoto2.
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace zelto {

class PtpipEmulator {
public:
    // One operation the emulator received, as its log gives it.
    struct Operation {
        double monotonicSeconds = 0;  // CLOCK_MONOTONIC, the clock of std::chrono::steady_clock here
        std::string name;             // "EOS_RemoteReleaseOn"
        std::string params;           // "0x1,0x0", "-" for none
        std::string written;          // "0xd103=0x68" for a property write, "-" otherwise
        std::string response;         // "0x2001", "0x2019" (busy), "dropped"
    };

    // `serial`: the serial number the body reports; empty: the emulator's own.
    PtpipEmulator(const std::string& python, const std::string& script, const std::string& serial = {}) {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0) return;
        if (pipe(fromChild) != 0) {
            close(toChild[0]);
            close(toChild[1]);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            // A pipe end may already be the descriptor it is to become (when this process has no input).
            if (toChild[0] != STDIN_FILENO) dup2(toChild[0], STDIN_FILENO);
            if (fromChild[1] != STDOUT_FILENO) dup2(fromChild[1], STDOUT_FILENO);
            for (const int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
                if (fd > STDERR_FILENO) close(fd);
            }
            if (serial.empty()) {
                execlp(python.c_str(), python.c_str(), script.c_str(), "--port", "0", static_cast<char*>(nullptr));
            } else {
                execlp(python.c_str(), python.c_str(), script.c_str(), "--port", "0", "--serial", serial.c_str(),
                       static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        // Later children (another emulator, zelto-cli) must not hold this input open.
        fcntl(toChild[1], F_SETFD, FD_CLOEXEC);
        fcntl(fromChild[0], F_SETFD, FD_CLOEXEC);
        in_ = fdopen(toChild[1], "w");
        out_ = fdopen(fromChild[0], "r");
        const std::string first = ReadLine();
        if (first.rfind("PORT ", 0) == 0) port_ = std::atoi(first.c_str() + 5);
    }

    ~PtpipEmulator() {
        if (in_ != nullptr) fclose(in_);  // the emulator ends when its input closes
        if (out_ != nullptr) fclose(out_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    PtpipEmulator(const PtpipEmulator&) = delete;
    PtpipEmulator& operator=(const PtpipEmulator&) = delete;

    int Port() const { return port_; }  // 0 when it did not start
    // The port as ZELTO_CAMERA_PORT names it; the event channel is left to the program to add.
    std::string CameraPort() const { return "ptpip:127.0.0.1:" + std::to_string(port_); }

    // One command ("busy fullpress 2"); the reply's lines, the last one starting with OK or ERR.
    std::vector<std::string> Command(const std::string& command) {
        std::vector<std::string> reply;
        if (in_ == nullptr || out_ == nullptr) return reply;
        std::fprintf(in_, "%s\n", command.c_str());
        std::fflush(in_);
        for (std::string line = ReadLine(); !line.empty() || !std::feof(out_); line = ReadLine()) {
            reply.push_back(line);
            if (line.rfind("OK", 0) == 0 || line.rfind("ERR", 0) == 0) break;
        }
        return reply;
    }

    // A property's label on the body ("400", "1/125", "card").
    std::string Value(const std::string& property) {
        const std::string start = property + " 0x";
        for (const std::string& line : Command("state")) {
            const size_t equals = line.find(" = ");
            const size_t open = line.rfind(" (");
            if (line.rfind(start, 0) == 0 && equals != std::string::npos && open > equals)
                return line.substr(equals + 3, open - equals - 3);
        }
        return "";
    }

    // The pictures on the card and those kept in the body's memory, by file name.
    std::vector<std::string> Pictures(bool onCard) {
        std::vector<std::string> names;
        const std::string storage = onCard ? " storage 0x00020001 " : " storage 0x00000000 ";
        for (const std::string& line : Command("state")) {
            const size_t at = line.find(storage);
            if (line.rfind("object ", 0) == 0 && at != std::string::npos && line.find(".JPG") != std::string::npos)
                names.push_back(line.substr(at + storage.size()));
        }
        return names;
    }

    std::vector<Operation> Log() {
        std::vector<Operation> log;
        for (const std::string& line : Command("log")) {
            char name[64], params[128], written[64], response[16];
            Operation op;
            if (std::sscanf(line.c_str(), "%lf %*s %63s %127s %63s %15s", &op.monotonicSeconds, name, params, written,
                            response) == 5) {
                op.name = name, op.params = params, op.written = written, op.response = response;
                log.push_back(op);
            }
        }
        return log;
    }

private:
    std::string ReadLine() {
        std::string line;
        if (out_ == nullptr) return line;
        for (int c = std::fgetc(out_); c != EOF && c != '\n'; c = std::fgetc(out_)) line += static_cast<char>(c);
        return line;
    }

    pid_t pid_ = -1;
    FILE* in_ = nullptr;
    FILE* out_ = nullptr;
    int port_ = 0;
};

}  // namespace zelto
