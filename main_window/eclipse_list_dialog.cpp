#include "main_window/eclipse_list_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "circumstances/eclipse_list.h"
#include "eclipse_data/catalog.h"
#include "platform/qt_text.h"

namespace zelto {

EclipseListDialog::EclipseListDialog(QWidget* parent, Picked picked)
    : QDialog(parent), picked_(std::move(picked)) {
    setObjectName("EclipseList");
    setWindowTitle("Choose an eclipse");
    const std::vector<EclipseListEntry> entries = EclipseList(BuiltInCatalog());
    list_ = new QTableWidget(static_cast<int>(entries.size()), 4, this);
    list_->setObjectName("EclipseList_Table");
    list_->setHorizontalHeaderLabels({"Date", "Kind", "No.", "Central duration"});
    list_->horizontalHeaderItem(3)->setToolTip(
        "Totality or annularity on the central line at greatest eclipse");
    list_->verticalHeader()->hide();
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int row = 0; row < list_->rowCount(); ++row) {
        const EclipseListEntry& entry = entries[static_cast<size_t>(row)];
        const QString cells[] = {ToQString(entry.date), ToQString(entry.kind), QString::number(entry.number),
                                 ToQString(CentralDurationText(entry.centralSeconds))};
        for (int column = 0; column < 4; ++column)
            list_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    list_->resizeColumnsToContents();
    list_->horizontalHeader()->setStretchLastSection(true);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { PickCurrent(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("Select");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { PickCurrent(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(520, 480);
}

void EclipseListDialog::ShowAt(int number) {
    list_->selectRow(number - 1);
    list_->scrollToItem(list_->item(number - 1, 0), QAbstractItemView::PositionAtCenter);
    show();
    raise();
    activateWindow();
    list_->setFocus();
}

void EclipseListDialog::PickCurrent() {
    const int row = list_->currentRow();
    hide();
    if (row >= 0) picked_(row + 1);
}

}  // namespace zelto
