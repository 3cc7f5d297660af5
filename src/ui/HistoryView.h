#pragma once

#include <QWidget>

class QLabel;
class QListView;
class QPushButton;
class QStackedWidget;

namespace tarnwick {

class CircularCloseButton;
class CleanerStore;
class EmptyState;
class HistoryModel;

// The removal history: a header with the clearing buttons and the close button, then the records with
// a Restore or Remove button each, or an empty state. A record's button is pressed with the pointer, or with
// Return or Space on the current record, or from its context menu.
class HistoryView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize panelSize{660, 430};
    static constexpr int cornerRadius = 12;

    explicit HistoryView(CleanerStore& store, QWidget* parent = nullptr);

    QPushButton* clearUnavailableButton() const { return clearUnavailable_; }
    QPushButton* clearAllButton() const { return clearAll_; }
    CircularCloseButton* closeButton() const { return close_; }
    QListView* list() const { return list_; }
    // Where unreadable history lies aside; hidden when there is none.
    QLabel* keptAsideNotice() const { return keptAside_; }
    EmptyState* emptyState() const { return empty_; }
    HistoryModel* model() const { return model_; }

    // Shows the buttons and the list or the empty state the history calls for.
    void refresh();
    // Gives the keyboard to the records, or to the close button when there are none.
    void focusFirst();

protected:
    // Return or Space on a record presses its button.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    CleanerStore& store_;
    HistoryModel* model_;
    QPushButton* clearUnavailable_;
    QPushButton* clearAll_;
    CircularCloseButton* close_;
    QLabel* keptAside_;
    QStackedWidget* body_;
    EmptyState* empty_;
    QListView* list_;
};

} // namespace tarnwick
