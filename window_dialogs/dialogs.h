#pragma once

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QStatusBar;
class QWidget;

// The windows' dialogs. Each opens window-modal over its parent and returns at once; the answer comes
// later through a callback. None runs an event loop of its own: a photography run waits for its
// instants inside the window's message processing, and a nested loop would hold it for as long as
// the dialog stays open.

namespace zelto {

enum class MessageKind { Information, Warning };

// Closing a window or quitting while a photography run goes on asks first; Enter keeps it running.
inline constexpr const char* kStopRunQuestion = "A photography run is going on. Stop it and close?";
inline constexpr const char* kKeepRunningButton = "Keep running";
inline constexpr const char* kStopAndCloseButton = "Stop and close";
// A run started without a camera asks before it simulates.
inline constexpr const char* kNoCameraQuestion = "No camera is connected.";

// A red line at the right end of a window's status line that says the computer has no sound output:
// shown only while `hasOutput` is false.
QLabel* AddNoSoundOutputLine(QStatusBar* statusBar, bool hasOutput);

// A message box with one OK button; line breaks as CR LF, CR or LF. `closed` runs when it is closed.
void ShowMessageBox(QWidget* parent, const std::string& caption, const std::string& text,
                    MessageKind kind = MessageKind::Information, std::function<void()> closed = {});

// A question with its buttons; `answer` gets the index of the button chosen, or −1 when the box was
// closed otherwise. `defaultButton` is the one Enter chooses. The windows hold it as a QuestionFn, which
// tests replace.
using QuestionFn = std::function<void(const std::string& caption, const std::string& text,
                                      const std::vector<std::string>& buttons, int defaultButton,
                                      std::function<void(int)> answer)>;
void AskQuestion(QWidget* parent, const std::string& caption, const std::string& text,
                 const std::vector<std::string>& buttons, int defaultButton, std::function<void(int)> answer);

// The file dialogs: `chosen` gets the path, or an empty text when the dialog was cancelled. The save
// dialog asks before it lets an existing file be overwritten.
void ChooseFileToOpen(QWidget* parent, const std::string& caption, const std::string& start,
                      std::function<void(const std::string&)> chosen);
void ChooseFileToSave(QWidget* parent, const std::string& caption, const std::string& start,
                      std::function<void(const std::string&)> chosen);

}  // namespace zelto
