#pragma once

#include <QDialog>
#include <functional>

class QTableWidget;

namespace zelto {

// The catalog as a list: date, kind, number and the longest central phase of each eclipse. A double
// click, Enter or "Select" picks the eclipse under the cursor. The dialog is not modal and runs no
// event loop of its own, so a run keeps its instants while it is open.
class EclipseListDialog final : public QDialog {
  public:
    using Picked = std::function<void(int number)>;
    EclipseListDialog(QWidget* parent, Picked picked);

    // Opens with `number` selected and in view.
    void ShowAt(int number);

  private:
    void PickCurrent();

    QTableWidget* list_ = nullptr;
    Picked picked_;
};

}  // namespace zelto
