#pragma once

#include <QWidget>

class QLabel;
class QListView;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace tarnwick {

class Badge;
class CleanerStore;
class EmptyState;
class ResidualListDelegate;
class ResidualListModel;
class SearchField;
class Workspace;

// The chosen application (or the Leftovers) in the right column: who it is and how large, the filter row,
// its findings grouped by category with what its bundle declares below them, and the footer that moves
// the chosen findings to the Trash.
class ApplicationDetailView : public QWidget {
    Q_OBJECT

public:
    ApplicationDetailView(CleanerStore& store, Workspace& workspace, QWidget* parent = nullptr);
    ~ApplicationDetailView() override;

    // For the window's tests and screenshots: what the user sees and presses.
    QLabel* nameLabel() const { return name_; }
    QLabel* subtitleLabel() const { return subtitle_; }
    QLabel* sizeLabel() const { return size_; }
    Badge* protectedBadge() const { return protected_; }
    Badge* systemSearchBadge() const { return systemSearch_; }
    SearchField* filterField() const { return filter_; }
    QPushButton* selectSafeButton() const { return selectSafe_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* moveToTrashButton() const { return moveToTrash_; }
    QLabel* selectionCountLabel() const { return selectedCount_; }
    QLabel* selectionSizeLabel() const { return selectedSize_; }
    QLabel* scanningLabel() const { return scanningText_; }
    EmptyState* emptyState() const { return empty_; }
    QListView* list() const { return list_; }
    ResidualListModel& model() const { return *model_; }
    ResidualListDelegate& delegate() const { return *delegate_; }
    // The page shown below the filter row: the scanning page, the empty state or the list.
    QWidget* currentContent() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshHeader();
    void refreshContent();
    void refreshFooter();
    void refreshProgress();
    bool handleKey(int key);

    CleanerStore& store_;
    ResidualListModel* model_;
    ResidualListDelegate* delegate_ = nullptr;

    QLabel* icon_;
    QLabel* name_;
    Badge* protected_;
    Badge* systemSearch_;
    QLabel* subtitle_;
    QLabel* size_;
    QProgressBar* sizeSpinner_;
    SearchField* filter_;
    QPushButton* selectSafe_;
    QPushButton* clear_;
    QStackedWidget* content_;
    QWidget* scanning_;
    QLabel* scanningText_;
    QLabel* scanningDetail_;
    EmptyState* empty_;
    QListView* list_;
    QLabel* selectedCount_;
    QLabel* selectedSize_;
    QPushButton* moveToTrash_;
};

} // namespace tarnwick
