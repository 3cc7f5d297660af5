#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

namespace tarnwick {

class CircularCloseButton;
class CleanerStore;

// The note that follows a removal, over the bottom of the window without taking the keyboard: how many
// items went to the Trash, and an Undo button that puts them back through the history's restore. It goes
// when dismissed, after a while, or once the removal is put back; Edit > Undo stays until then.
class UndoNotice : public QWidget {
    Q_OBJECT

public:
    // How long the note stays without being used.
    static constexpr int shownMilliseconds = 20000;

    UndoNotice(CleanerStore& store, QWidget* parent = nullptr);

    QString text() const;
    QPushButton* undoButton() const { return undo_; }
    CircularCloseButton* closeButton() const { return close_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    CleanerStore& store_;
    QLabel* text_;
    QPushButton* undo_;
    CircularCloseButton* close_;
    QTimer* timer_;
};

} // namespace tarnwick
