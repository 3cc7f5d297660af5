#include "support/WindowFixture.h"

#include "ui/AppListModel.h"
#include "ui/ApplicationDetailView.h"
#include "ui/DetailPane.h"
#include "ui/FindingsModel.h"
#include "ui/HistoryModel.h"
#include "ui/HistoryOverlay.h"
#include "ui/HistoryView.h"
#include "ui/MainView.h"
#include "ui/Sidebar.h"

#include <QListView>
#include <QTest>

namespace tarnwick::testing {

void WindowFixture::openWindow(bool shown) {
    makeStore();
    if (!settings) {
        settings = std::make_unique<QSettings>(QString::fromStdString((folder / "settings.ini").string()),
                                               QSettings::IniFormat);
    }
    // A window opened again comes back as the last one was left; a first one has the designed size.
    const bool firstWindow = settings->allKeys().isEmpty();
    window = std::make_unique<MainWindow>(*store, workspace, *settings);
    for (QAbstractItemModel* model :
         std::initializer_list<QAbstractItemModel*>{&appModel(), &findingsModel(), &historyModel()}) {
        testers_.push_back(std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Fatal));
        resets_.push_back(std::make_unique<QSignalSpy>(model, &QAbstractItemModel::modelReset));
    }
    if (firstWindow) {
        window->resize(MainWindow::designedMinimum);
    }
    if (shown) {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
}

void WindowFixture::activateAgain() {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

Sidebar& WindowFixture::sidebar() const {
    return *window->mainView()->sidebar();
}

DetailPane& WindowFixture::detail() const {
    return *window->mainView()->detailPane();
}

QListView& WindowFixture::list() const {
    return *sidebar().list();
}

AppListModel& WindowFixture::appModel() const {
    return sidebar().model();
}

FindingsModel& WindowFixture::findingsModel() const {
    return window->mainView()->applicationDetail()->model();
}

HistoryModel& WindowFixture::historyModel() const {
    return *window->findChild<HistoryOverlay*>()->view()->model();
}

std::vector<int> WindowFixture::resets() const {
    std::vector<int> counts;
    for (const auto& spy : resets_) {
        counts.push_back(static_cast<int>(spy->count()));
    }
    return counts;
}

QModelIndexList WindowFixture::sidebarRows(AppListModel::RowKind kind) const {
    QModelIndexList rows;
    const QAbstractItemModel* model = list().model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (static_cast<AppListModel::RowKind>(index.data(AppListModel::rowKindRole).toInt()) == kind) {
            rows << index;
        }
    }
    return rows;
}

QStringList WindowFixture::listedNames() const {
    QStringList names;
    for (const QModelIndex& row : sidebarRows(AppListModel::RowKind::application)) {
        names << row.data().toString();
    }
    return names;
}

QModelIndex WindowFixture::rowNamed(const QString& name) const {
    const QModelIndexList rows =
        list().model()->match(list().model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

QModelIndex WindowFixture::leftoversRow() const {
    return sidebarRows(AppListModel::RowKind::leftovers).value(0);
}

void WindowFixture::click(const QModelIndex& row) const {
    ASSERT_TRUE(row.isValid());
    list().scrollTo(row);
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, list().visualRect(row).center());
}

QString WindowFixture::highlightedName() const {
    const QModelIndexList selected = list().selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

} // namespace tarnwick::testing
