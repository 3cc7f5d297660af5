#include "ui/RemovalConfirmation.h"

#include "catalogue/ByteFormat.h"
#include "store/CleanerStore.h"
#include "ui/SharedTexts.h"

#include <QMessageBox>
#include <QPushButton>

namespace tarnwick {

RemovalConfirmation::RemovalConfirmation(CleanerStore& store, QWidget* window)
    : QObject(window)
    , store_(store)
    , window_(window) {
    connect(&store_.removals(), &RemovalState::candidateChanged, this, &RemovalConfirmation::follow);
}

void RemovalConfirmation::follow() {
    if (!store_.removals().candidate()) {
        if (dialog_) {
            dialog_->done(QMessageBox::Cancel); // cleared elsewhere: nothing left to confirm
        }
        return;
    }
    if (!dialog_) {
        open();
    }
}

void RemovalConfirmation::open() {
    auto* dialog = new QMessageBox(window_);
    dialog_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setIcon(QMessageBox::Warning);
    const QString title = SharedTexts::translated(RemovalTexts::confirmationTitle);
    dialog->setWindowTitle(title);
    dialog->setTextFormat(Qt::PlainText);
    dialog->setText(title);
    dialog->setInformativeText(SharedTexts::translated(
        RemovalTexts::confirmation, static_cast<qsizetype>(store_.findings().chosenCount()),
        {QString::fromStdString(ByteFormat::string(store_.findings().chosenBytes()))}));
    QPushButton* move = dialog->addButton(tr("Move to Trash"), QMessageBox::DestructiveRole);
    QPushButton* cancel = dialog->addButton(QMessageBox::Cancel);
    dialog->setEscapeButton(cancel);
    // A slip of the Return key must not move anything.
    dialog->setDefaultButton(cancel);
    move->setObjectName(QStringLiteral("confirmRemoval"));
    connect(dialog, &QMessageBox::finished, this,
            [this, dialog, move] { finish(dialog->clickedButton() == move); });
    dialog->open();
}

void RemovalConfirmation::finish(bool confirmed) {
    if (confirmed) {
        store_.confirmRemoval();
    } else {
        store_.cancelRemoval();
    }
}

} // namespace tarnwick
