#include "ui/FindingsView.h"

#include "ui/FindingsDelegate.h"
#include "ui/FindingsFilter.h"
#include "ui/FindingsModel.h"
#include "ui/Workspace.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>

namespace tarnwick {

using Kind = FindingsModel::RowKind;
using Part = FindingsLayout::Part;

FindingsView::FindingsView(FindingsFilter& filter, FindingsModel& findings, Workspace& workspace,
                           QWidget* parent)
    : QTreeView(parent)
    , filter_(filter)
    , findings_(findings)
    , workspace_(workspace)
    , delegate_(new FindingsDelegate(*this))
    , reveal_(new QAction(tr("Show in Finder"), this))
    , copyPath_(new QAction(tr("Copy Path"), this))
    , details_(new QAction(tr("Show Details"), this))
    , choose_(new QAction(tr("Select for Removal"), this)) {
    setModel(&filter_);
    setItemDelegate(delegate_);
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(false);
    setExpandsOnDoubleClick(false);
    setAnimated(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows are as wide as the list: laid out again when the vertical scroll bar takes its room.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setAccessibleName(tr("Discovered files"));

    // The list's commands act on its current row; their keys work while the list has the focus, and the
    // window's menus and the list's context menu show the same actions.
    reveal_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    copyPath_->setShortcut(QKeySequence::Copy);
    choose_->setCheckable(true);
    for (QAction* action : {reveal_, copyPath_, details_, choose_}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    insertAction(choose_, separator);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(reveal_, &QAction::triggered, this, [this] { act(currentIndex(), Part::reveal); });
    connect(copyPath_, &QAction::triggered, this, [this] {
        if (const QString path = currentIndex().data(FindingsModel::pathRole).toString(); !path.isEmpty()) {
            QGuiApplication::clipboard()->setText(path);
        }
    });
    connect(details_, &QAction::triggered, this, [this] {
        QModelIndex row = currentIndex();
        if (FindingsModel::kindOf(row) == Kind::details) {
            row = row.parent();
        }
        act(row, Part::disclosure);
    });
    connect(choose_, &QAction::triggered, this, [this] {
        QModelIndex row = currentIndex();
        if (FindingsModel::kindOf(row) == Kind::details) {
            row = row.parent();
        }
        act(row, Part::checkbox);
    });

    connect(delegate_, &FindingsDelegate::activated, this, &FindingsView::act);
    connect(&filter_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid()) {
                    openSections(first, last);
                }
            });
    connect(&filter_, &QAbstractItemModel::modelReset, this, [this] {
        openSections(0, filter_.rowCount() - 1);
        // Another application's findings: its own list from the top, not the last one's place.
        scrollToTop();
        refreshActions();
    });
    connect(&filter_, &QAbstractItemModel::rowsRemoved, this, &FindingsView::refreshActions);
    connect(&filter_, &QAbstractItemModel::dataChanged, this, &FindingsView::refreshActions);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &FindingsView::refreshActions);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) { remember(index, true); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) { remember(index, false); });
    openSections(0, filter_.rowCount() - 1);
    refreshActions();
}

void FindingsView::setClosedSections(QSet<QString> keys) {
    closedSections_ = std::move(keys);
    openSections(0, filter_.rowCount() - 1);
}

void FindingsView::refreshActions() {
    QModelIndex row = currentIndex();
    if (FindingsModel::kindOf(row) == Kind::details) {
        row = row.parent();
    }
    const bool finding = row.isValid() && FindingsModel::kindOf(row) == Kind::finding;
    for (QAction* action : {reveal_, copyPath_, details_, choose_}) {
        action->setEnabled(finding);
    }
    details_->setText(finding && isExpanded(row) ? tr("Hide Details") : tr("Show Details"));
    choose_->setChecked(finding && row.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked);
}

QString FindingsView::sectionKey(const QModelIndex& section) {
    return FindingsModel::kindOf(section) == Kind::information
               ? section.data(FindingsModel::informationKeyRole).toString()
               : section.data(FindingsModel::categoryNameRole).toString();
}

void FindingsView::openSections(int first, int last) {
    for (int row = first; row <= last; ++row) {
        const QModelIndex section = filter_.index(row, 0);
        setExpanded(section, !closedSections_.contains(sectionKey(section)));
    }
}

void FindingsView::remember(const QModelIndex& index, bool expanded) {
    if (!index.parent().isValid()) {
        if (expanded) {
            closedSections_.remove(sectionKey(index));
        } else {
            closedSections_.insert(sectionKey(index));
        }
    } else if (expanded && FindingsModel::kindOf(index) == Kind::finding) {
        findings_.requestDetails(filter_.mapToSource(index));
    }
}

void FindingsView::act(const QModelIndex& index, Part part) {
    if (!index.isValid()) {
        return;
    }
    switch (part) {
    case Part::checkbox:
        filter_.toggleChoice(index);
        break;
    case Part::disclosure:
        setExpanded(index, !isExpanded(index));
        refreshActions();
        break;
    case Part::reveal:
        if (FindingsModel::kindOf(index) == Kind::finding) {
            workspace_.reveal({index.data(FindingsModel::pathRole).toString().toStdString()});
        }
        break;
    case Part::none:
        break;
    }
}

int FindingsView::contentHeight() const {
    if (filter_.rowCount() == 0) {
        return 0;
    }
    // The last row's bottom, wherever the list happens to be scrolled to.
    return viewportSizeHint().height() + verticalOffset();
}

void FindingsView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles) {
    const bool keepsHeights = !roles.isEmpty() && std::all_of(roles.begin(), roles.end(), [](int role) {
        return role == Qt::DecorationRole || role == Qt::CheckStateRole || role == Qt::AccessibleTextRole ||
               role == FindingsModel::summaryRole;
    });
    if (keepsHeights) {
        // Finding where a row is drawn adds up the heights above it: the visible part is simply drawn again.
        viewport()->update();
        return;
    }
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}

void FindingsView::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    const bool opens = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QModelIndex current = currentIndex();
    if (plain && opens && current.isValid() && filter_.hasChildren(current)) {
        act(current, Part::disclosure);
        return;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace tarnwick
