#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>

class QWidget;

namespace tarnwick {

class CleanerStore;

// The question asked before anything moves: shown while the store holds a removal candidate. Confirming
// starts the removal; any other way of closing it clears the candidate and moves nothing.
class RemovalConfirmation : public QObject {
    Q_OBJECT

public:
    RemovalConfirmation(CleanerStore& store, QWidget* window);

    // The dialog while it is shown, else null.
    QMessageBox* dialog() const { return dialog_; }

private:
    void follow();
    void open();
    void finish(bool confirmed);

    CleanerStore& store_;
    QWidget* window_;
    QPointer<QMessageBox> dialog_;
};

} // namespace tarnwick
