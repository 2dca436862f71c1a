#pragma once

// What zelto-cli run with one camera and with several share.

#include <iostream>
#include <mutex>
#include <string>

#include "app/cli_commands.h"
#include "camera/run_seams.h"
#include "eclipse_data/datetext.h"
#include "exposure/table_file.h"
#include "exposure/table_match.h"
#include "state/variables.h"

namespace zelto::cli {

// A simulated run (--fast) starts this long before the first row's instant.
inline constexpr double kFastLeadSeconds = 10;

// The table against the site and eclipse the main window last saved (Zelto.prm, only looked at), or
// against its own header when there is none, and against the eclipse's day.
TableMatch MatchWithSavedSite(const SharedVariables& shared, const TableFileReading& reading);

// Whole lines on standard output, one at a time whichever camera's thread prints them, each as it
// happens (also into a pipe or a log).
class LinePrinter {
  public:
    void Print(const std::string& line) {
        const std::lock_guard lock(mutex_);
        std::cout << line << '\n' << std::flush;
    }

  private:
    std::mutex mutex_;
};

// One line per action, and red information (an unreadable row, a lost camera), each line begun by
// `prefix` (the camera's name with several cameras, nothing with one).
class ConsoleRunView final : public PagelessRunView {
  public:
    ConsoleRunView(std::string prefix, LinePrinter& printer)
        : prefix_(std::move(prefix)), printer_(printer) {}
    void Report(const RunAction& action) override {
        // An action of the run as a whole (the camera missing at the start) has no row.
        printer_.Print(
            prefix_ + (action.row >= 0 ? "row " + std::to_string(action.row + 1) : std::string("run")) +
            "  " + (action.scheduledJD > 0 ? JDText(action.scheduledJD, 1) : std::string(21, '-')) + "  " +
            JDText(action.startedJD, 1) + "  " + action.text);
    }

    static std::string OneLine(std::string text) {
        for (char& c : text) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        return text;
    }

  protected:
    void RedInfo(const std::string& text) override { printer_.Print(prefix_ + "info: " + OneLine(text)); }

  private:
    std::string prefix_;
    LinePrinter& printer_;
};

// The arguments name bodies (--body NAME=TABLE): a run of several cameras.
bool NamesBodies(const Arguments& args);
int RunBodiesCommand(const Arguments& args);

}  // namespace zelto::cli
