#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>

class QWidget;

namespace tarnwick {

class CleanerStore;

// The questions asked before anything moves. The confirmation shows while the store holds a removal
// candidate: what would move, application by application when there are several, and what runs from it.
// Confirming starts the removal; any other way of closing it clears the candidate and moves nothing. While
// what runs is given time to quit, a progress window says so; what did not quit is put to the user in a
// second question, whose default is not to force it.
class RemovalConfirmation : public QObject {
    Q_OBJECT

public:
    RemovalConfirmation(CleanerStore& store, QWidget* window);

    // The dialogs while they are shown, else null.
    QMessageBox* dialog() const { return dialog_; }
    QMessageBox* forceQuitDialog() const { return forceQuit_; }
    QProgressDialog* waitingDialog() const { return waiting_; }

private:
    void follow();
    void open();
    void finish(bool confirmed);
    void followForceQuit();
    void followWaiting();

    CleanerStore& store_;
    QWidget* window_;
    QPointer<QMessageBox> dialog_;
    QPointer<QMessageBox> forceQuit_;
    QPointer<QProgressDialog> waiting_;
};

} // namespace tarnwick
