#include "window_dialogs/dialogs.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

#include "camera/sound_player.h"
#include "platform/qt_text.h"

namespace zelto {

namespace {

QString Lines(const std::string& text) {
    QString lines = ToQString(text);
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    return lines;
}

void OpenFileDialog(QWidget* parent, const std::string& caption, const std::string& start, bool save,
                    std::function<void(const std::string&)> chosen) {
    auto* dialog = new QFileDialog(parent, ToQString(caption), ToQString(start));
    dialog->setObjectName(save ? "SaveDialog" : "OpenDialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Exactly one answer: the file chosen, or nothing when the dialog closes without one.
    auto answered = std::make_shared<bool>(false);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen, answered](const QString& path) {
        *answered = true;
        chosen(ToUtf8(path));
    });
    QObject::connect(dialog, &QDialog::finished, dialog, [chosen, answered](int) {
        if (!*answered) chosen({});
    });
    dialog->open();
}

}  // namespace

QLabel* AddNoSoundOutputLine(QStatusBar* statusBar, bool hasOutput) {
    auto* line = new QLabel(kNoSoundOutputText);
    line->setObjectName("Label_NoSound");
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, QColor(170, 0, 0));  // 6:1 on the light status line
    line->setPalette(palette);
    QFont font = line->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);  // beside the main window's four panels it must fit
    line->setFont(font);
    statusBar->addPermanentWidget(line);
    line->setVisible(!hasOutput);
    return line;
}

void ShowMessageBox(QWidget* parent, const std::string& caption, const std::string& text, MessageKind kind,
                    std::function<void()> closed) {
    auto* box =
        new QMessageBox(kind == MessageKind::Warning ? QMessageBox::Warning : QMessageBox::Information,
                        ToQString(caption), Lines(text), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (closed) QObject::connect(box, &QMessageBox::finished, box, [closed](int) { closed(); });
    box->open();
}

void AskQuestion(QWidget* parent, const std::string& caption, const std::string& text,
                 const std::vector<std::string>& buttons, int defaultButton,
                 std::function<void(int)> answer) {
    auto* box = new QMessageBox(QMessageBox::Question, ToQString(caption), Lines(text), QMessageBox::NoButton,
                                parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    std::vector<QAbstractButton*> added;
    for (const std::string& button : buttons)
        added.push_back(box->addButton(ToQString(button), QMessageBox::AcceptRole));
    if (defaultButton >= 0 && defaultButton < static_cast<int>(added.size())) {
        box->setDefaultButton(static_cast<QPushButton*>(added[static_cast<size_t>(defaultButton)]));
        box->setEscapeButton(added[static_cast<size_t>(defaultButton)]);
    }
    QObject::connect(box, &QMessageBox::finished, box, [box, added, answer](int) {
        int chosen = -1;
        for (size_t i = 0; i < added.size(); ++i) {
            if (box->clickedButton() == added[i]) chosen = static_cast<int>(i);
        }
        answer(chosen);
    });
    box->open();
}

void ChooseFileToOpen(QWidget* parent, const std::string& caption, const std::string& start,
                      std::function<void(const std::string&)> chosen) {
    OpenFileDialog(parent, caption, start, false, std::move(chosen));
}

void ChooseFileToSave(QWidget* parent, const std::string& caption, const std::string& start,
                      std::function<void(const std::string&)> chosen) {
    OpenFileDialog(parent, caption, start, true, std::move(chosen));
}

}  // namespace zelto
