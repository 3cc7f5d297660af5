#pragma once

#include "ui/RemovalFooter.h"

#include <QWidget>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace tarnwick {

class Badge;
class CleanerStore;
class EmptyState;
class FindingsFilter;
class FindingsModel;
class FindingsView;
class IconCache;
class IconLabel;
class SearchField;
class Workspace;

// The chosen application (or the Leftovers) in the right column: who it is and how large, the filter row,
// its findings grouped by category with what its bundle declares below them, and the footer that moves
// the chosen findings to the Trash.
class ApplicationDetailView : public QWidget {
    Q_OBJECT

public:
    // The side of the application's icon in the header, in points.
    static constexpr int iconSide = 64;

    ApplicationDetailView(CleanerStore& store, IconCache& icons, Workspace& workspace,
                          QWidget* parent = nullptr);
    ~ApplicationDetailView() override;

    // For the window's tests and screenshots: what the user sees and presses.
    QLabel* nameLabel() const { return name_; }
    QLabel* subtitleLabel() const { return subtitle_; }
    QLabel* sizeLabel() const { return size_; }
    Badge* protectedBadge() const { return protected_; }
    Badge* systemSearchBadge() const { return systemSearch_; }
    SearchField* filterField() const { return filterField_; }
    QPushButton* selectSafeButton() const { return selectSafe_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* moveToTrashButton() const { return footer_->button(); }
    // The commands of the pane, which the window's menus show too.
    QAction* moveToTrashAction() const { return moveToTrashAction_; }
    QAction* selectSafeAction() const { return selectSafeAction_; }
    QAction* clearAction() const { return clearAction_; }
    // "No findings match …", shown above the list while the search hides every finding.
    QLabel* noMatchesLabel() const { return noMatches_; }
    QLabel* selectionCountLabel() const { return footer_->countLabel(); }
    QLabel* selectionSizeLabel() const { return footer_->sizeLabel(); }
    QLabel* scanningLabel() const { return scanningText_; }
    EmptyState* emptyState() const { return empty_; }
    FindingsView* list() const { return list_; }
    FindingsModel& model() const { return *model_; }
    FindingsFilter& filter() const { return *filter_; }
    // The page shown below the filter row: the scanning page, the empty state or the list.
    QWidget* currentContent() const;

private:
    void refreshHeader();
    void refreshIcon();
    void refreshContent();
    // The page the findings call for now.
    QWidget* pageDue() const;
    void showListIfDue();
    void refreshFooter();
    void refreshProgress();

    CleanerStore& store_;
    IconCache& icons_;
    FindingsModel* model_;
    FindingsFilter* filter_;
    QAction* moveToTrashAction_;
    QAction* selectSafeAction_;
    QAction* clearAction_;

    IconLabel* icon_;
    QLabel* name_;
    Badge* protected_;
    Badge* systemSearch_;
    QLabel* subtitle_;
    QLabel* size_;
    QProgressBar* sizeSpinner_;
    SearchField* filterField_;
    QPushButton* selectSafe_;
    QPushButton* clear_;
    QStackedWidget* content_;
    QWidget* scanning_;
    QLabel* scanningText_;
    QLabel* scanningDetail_;
    EmptyState* empty_;
    FindingsView* list_;
    QLabel* noMatches_;
    RemovalFooter* footer_;
    bool listShownSoon_ = false;
};

} // namespace tarnwick
