#pragma once

#include <QDialog>

class QLabel;
class QScrollArea;
class QWidget;

namespace tarnwick {

class CleanerStore;

// The store's error message, shown while there is one; dismissing it clears the message. A long message
// (one line per item that could not be moved) scrolls instead of growing past the screen.
class ErrorAlert : public QDialog {
    Q_OBJECT

public:
    // The alert's title, the program's name.
    static constexpr const char* title = "Tarnwick";

    ErrorAlert(CleanerStore& store, QWidget* window);

    QString message() const;

private:
    void follow();

    CleanerStore& store_;
    QLabel* message_;
    QScrollArea* scroll_;
};

} // namespace tarnwick
