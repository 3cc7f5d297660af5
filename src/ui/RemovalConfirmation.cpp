#include "ui/RemovalConfirmation.h"

#include "session/RemovalTexts.h"
#include "store/CleanerStore.h"

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
    dialog->setWindowTitle(QString::fromUtf8(RemovalTexts::confirmationTitle));
    dialog->setTextFormat(Qt::PlainText);
    dialog->setText(QString::fromUtf8(RemovalTexts::confirmationTitle));
    dialog->setInformativeText(QString::fromStdString(
        RemovalTexts::confirmationMessage(store_.findings().chosenCount(), store_.findings().chosenBytes())));
    QPushButton* move = dialog->addButton(QStringLiteral("Move to Trash"), QMessageBox::DestructiveRole);
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
