#pragma once

#include <QWidget>
#include <cstddef>
#include <cstdint>

class QAction;
class QLabel;
class QPushButton;

namespace tarnwick {

// The foot of a detail: the promise that nothing is deleted for good, how much is chosen, and the red
// button of the window's "Move to Trash" action. One for the single and the several applications' detail,
// so that both say and show the same.
class RemovalFooter : public QWidget {
    Q_OBJECT

public:
    RemovalFooter(QAction* moveToTrash, QWidget* parent);

    void showChosen(std::size_t count, std::int64_t bytes);

    QLabel* countLabel() const { return count_; }
    QLabel* sizeLabel() const { return size_; }
    QPushButton* button() const { return button_; }

private:
    QLabel* count_;
    QLabel* size_;
    QPushButton* button_;
};

} // namespace tarnwick
