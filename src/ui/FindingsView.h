#pragma once

#include "ui/FindingsLayout.h"

#include <QSet>
#include <QTreeView>

class QAction;

namespace tarnwick {

class FindingsDelegate;
class FindingsFilter;
class FindingsModel;
class Workspace;

// The findings list: sections that open and close, findings whose details open below them, and the choices
// and reveals the rows offer, by pointer or keyboard (Space chooses, Return or the arrows open and close) and
// as actions of the list, in its context menu and the window's menus. The sections the user closed stay
// closed for the next application; a new application's list starts at its top.
class FindingsView : public QTreeView {
    Q_OBJECT

public:
    FindingsView(FindingsFilter& filter, FindingsModel& findings, Workspace& workspace,
                 QWidget* parent = nullptr);

    FindingsDelegate& delegate() const { return *delegate_; }
    // Shows the current finding in the file browser.
    QAction* revealAction() const { return reveal_; }
    // Copies the current finding's full path.
    QAction* copyPathAction() const { return copyPath_; }
    // Shows or hides the current finding's details.
    QAction* detailsAction() const { return details_; }
    // Chooses the current finding for the Trash, or leaves it out.
    QAction* chooseAction() const { return choose_; }

    // The sections the user closed, by key (a category's name, "dock", "documents").
    const QSet<QString>& closedSections() const { return closedSections_; }
    void setClosedSections(QSet<QString> keys);
    // Does what the part of the row does when clicked.
    void act(const QModelIndex& index, FindingsLayout::Part part);
    // The height every row shown takes, for a list laid out at its full length inside another that scrolls.
    int contentHeight() const;

protected:
    // The rows draw their own chevrons.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
    void keyPressEvent(QKeyEvent* event) override;
    // A change that cannot alter a row's height (an icon, a choice, a summary) only has the list painted
    // again: the tree would measure every row of the range anew, and place each one by adding up those above
    // it.
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    static QString sectionKey(const QModelIndex& section);
    void refreshActions();
    void openSections(int first, int last);
    void remember(const QModelIndex& index, bool expanded);

    FindingsFilter& filter_;
    FindingsModel& findings_;
    Workspace& workspace_;
    FindingsDelegate* delegate_;
    QAction* reveal_;
    QAction* copyPath_;
    QAction* details_;
    QAction* choose_;
    QSet<QString> closedSections_;
};

} // namespace tarnwick
