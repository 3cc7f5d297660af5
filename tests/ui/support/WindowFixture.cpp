#include "support/WindowFixture.h"

#include "removal/MacTrash.h"
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

namespace {

// Everything in these homes is the user's own: no administrator step is ever asked for.
class NoAdministrator final : public AdminRunner {
public:
    AdminOutcome run(const AdminRequest&) override { return {false, "No administrator here.", {}}; }
};

} // namespace

void WindowFixture::openWindow(bool shown, std::unique_ptr<TrashManager> trash) {
    makeStore(std::move(trash));
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

std::filesystem::path WindowFixture::runningBundle(const std::string& name) const {
    return folder / "running/home/Applications" / (name + ".app");
}

void WindowFixture::openWindowOnRunningSystem(std::chrono::milliseconds patience) {
    namespace fs = std::filesystem;
    const fs::path home = folder / "running/home";
    const Platform running(Platform::Folders{.home = home, .layout = FolderLayout::macOS});
    const TreeBuilder builder(running);
    fs::create_directories(home / ".Trash");
    for (const auto& [name, bundleID] :
         {std::pair<std::string, std::string>{"Skylume", "com.example.skylume"},
          {"Gloamlight", "com.example.gloamlight"}}) {
        const fs::path bundle =
            builder.addApp(home / "Applications", {.fileName = name + ".app", .bundleID = bundleID});
        const fs::path support =
            builder.addFile(home / "Library/Application Support" / name / "state.db", std::uint64_t{40960})
                .parent_path();
        const InstalledApp app{bundle, name, bundleID, "1.0", 0, false};
        script->extraApps.push_back(app);
        script->findings[app.id()] = {{bundle, 2'400'000, ResidualCategory::application,
                                       MatchConfidence::exact, "The application itself", true},
                                      {support, 40'960, ResidualCategory::support, MatchConfidence::exact,
                                       "Bundle identifier match", true}};
    }
    openWindow(true, std::make_unique<TrashManager>(running, std::make_unique<MacTrash>(home / ".Trash"),
                                                    std::make_unique<NoAdministrator>()));
    store->setQuitPatience(patience);
}

void WindowFixture::activateAgain() {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

std::vector<ResidualItem> WindowFixture::editorFindings() const {
    return {
        finding("Application Support/Editor", ResidualCategory::support, MatchConfidence::exact, true, 5000),
        finding("Caches/com.example.editor", ResidualCategory::cache, MatchConfidence::exact, true, 2000),
        finding("Caches/EditorShared", ResidualCategory::cache, MatchConfidence::possible, false, 3000),
        finding("Preferences/com.example.editor.plist", ResidualCategory::preferences, MatchConfidence::exact,
                false, 1000),
        finding("Logs/Example", ResidualCategory::logs, MatchConfidence::possible, false, 10),
    };
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

void WindowFixture::click(const QModelIndex& row, Qt::KeyboardModifiers modifiers) const {
    ASSERT_TRUE(row.isValid());
    list().scrollTo(row);
    QTest::mouseClick(list().viewport(), Qt::LeftButton, modifiers, list().visualRect(row).center());
}

QString WindowFixture::highlightedName() const {
    const QModelIndexList selected = list().selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

} // namespace tarnwick::testing
