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
// and reveals the rows offer, by pointer or keyboard (Space chooses, Return or the arrows open and close, and
// the reveal is an action of the list). The sections the user closed stay closed for the next application.
class FindingsView : public QTreeView {
    Q_OBJECT

public:
    FindingsView(FindingsFilter& filter, FindingsModel& findings, Workspace& workspace,
                 QWidget* parent = nullptr);

    FindingsDelegate& delegate() const { return *delegate_; }
    // Shows the current finding in the file browser.
    QAction* revealAction() const { return reveal_; }
    // Does what the part of the row does when clicked.
    void act(const QModelIndex& index, FindingsLayout::Part part);

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
    void openSections(int first, int last);
    void remember(const QModelIndex& index, bool expanded);

    FindingsFilter& filter_;
    FindingsModel& findings_;
    Workspace& workspace_;
    FindingsDelegate* delegate_;
    QAction* reveal_;
    QSet<QString> closedSections_;
};

} // namespace tarnwick
