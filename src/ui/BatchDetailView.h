#pragma once

#include "store/ListChange.h"
#include "ui/RemovalFooter.h"

#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace tarnwick {

class CleanerStore;
class FindingsFilter;
class FindingsModel;
class FindingsState;
class FindingsView;
class IconCache;
class IconLabel;
class Workspace;

// One application among several chosen: its icon, name, what of it is chosen, and its findings at their
// full length, chosen as a single selection's are.
class BatchSection : public QWidget {
    Q_OBJECT

public:
    BatchSection(CleanerStore& store, const FindingsState& findings, IconCache& icons, Workspace& workspace,
                 QWidget* parent = nullptr);

    const FindingsState& findings() const { return findings_; }
    QLabel* nameLabel() const { return name_; }
    // "3 items  •  12 KB" of what is chosen, or that the scan runs.
    QLabel* summaryLabel() const { return summary_; }
    FindingsView* list() const { return list_; }
    FindingsModel& model() const { return *model_; }

    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refreshIcon();
    void fitList();

    const FindingsState& findings_;
    IconCache& icons_;
    FindingsModel* model_;
    FindingsFilter* filter_;
    IconLabel* icon_;
    QLabel* name_;
    QLabel* summary_;
    QLabel* empty_;
    FindingsView* list_;
    bool fitScheduled_ = false;
};

// Several applications chosen together in the right column: a section for each, one below the other, and
// the footer that moves what is chosen of all of them to the Trash through one confirmation.
class BatchDetailView : public QWidget {
    Q_OBJECT

public:
    // `moveToTrash` is the window's command, which the footer's button shows.
    BatchDetailView(CleanerStore& store, IconCache& icons, Workspace& workspace, QAction* moveToTrash,
                    QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    const std::vector<BatchSection*>& sections() const { return sections_; }
    QLabel* selectionCountLabel() const { return footer_->countLabel(); }
    QLabel* selectionSizeLabel() const { return footer_->sizeLabel(); }
    QPushButton* moveToTrashButton() const { return footer_->button(); }
    QScrollArea* scrollArea() const { return scroll_; }

private:
    void follow(const ListChange& change);
    void rebuild();
    void refreshSummary();

    CleanerStore& store_;
    IconCache& icons_;
    Workspace& workspace_;
    QLabel* title_;
    QScrollArea* scroll_;
    QVBoxLayout* sectionsLayout_;
    std::vector<BatchSection*> sections_;
    RemovalFooter* footer_;
};

} // namespace tarnwick
