#include "store/StoreFixture.h"
#include "support/EventLoop.h"
#include "ui/ApplicationDetailView.h"
#include "ui/Badge.h"
#include "ui/EmptyState.h"
#include "ui/ResidualListDelegate.h"
#include "ui/ResidualListModel.h"
#include "ui/SearchField.h"
#include "ui/Workspace.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Kind = ResidualListModel::RowKind;
using Part = ResidualListDelegate::Part;
using Selection = ResidualListModel::SectionSelection;
using Array = PlistValue::Array;
using Dictionary = PlistValue::Dictionary;

class RecordingWorkspace final : public Workspace {
public:
    void reveal(const std::vector<fs::path>& locations) override { revealed.push_back(locations); }
    bool openWebAddress(const QUrl&) override { return false; }
    void quit() override {}

    std::vector<std::vector<fs::path>> revealed;
};

class ApplicationDetailTest : public StoreFixture {
protected:
    void SetUp() override {
        applications = platform.system("/Applications");
        tree.addApp(applications,
                    {.fileName = "Editor.app",
                     .bundleID = "com.example.editor",
                     .shortVersion = "2.1",
                     .extraInfo = {{"CFBundleDocumentTypes",
                                    Array{Dictionary{{"CFBundleTypeName", "Plain Text"},
                                                     {"CFBundleTypeExtensions", Array{"txt", "text"}}},
                                          Dictionary{{"CFBundleTypeName", "   "}},
                                          Dictionary{{"CFBundleTypeName", "Anything"},
                                                     {"CFBundleTypeExtensions", Array{"*"}}},
                                          Dictionary{{"CFBundleTypeName", "Plain Text"},
                                                     {"CFBundleTypeExtensions", Array{"md"}}}}}}});
        tree.addApp(
            applications,
            {.fileName = "Agent.app", .bundleID = "com.example.agent", .extraInfo = {{"LSUIElement", 1}}});
        tree.addApp(
            applications,
            {.fileName = "Texty.app", .bundleID = "com.example.texty", .extraInfo = {{"LSUIElement", "1"}}});
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Clock.app", .bundleID = "com.apple.clock"});
        makeStore();
        loadCompletely();
    }

    void TearDown() override {
        view.reset();
        tester.reset();
    }

    ResidualItem finding(const std::string& relative, ResidualCategory category, MatchConfidence confidence,
                         bool selected, std::int64_t size = 1000) {
        const fs::path location = tree.userLibrary(relative);
        if (!fs::exists(location)) {
            tree.addFile(location, "contents");
        }
        const std::string reason = confidence == MatchConfidence::possible ? "Name resembles the developer's"
                                                                           : "Bundle identifier match";
        return {location, size, category, confidence, reason, selected};
    }

    // Shows `appName` with `findings` as its scan result, in a view of its own unless one exists.
    void show(const std::string& appName, std::vector<ResidualItem> findings) {
        script->findings[app(appName).id()] = std::move(findings);
        if (!view) {
            view = std::make_unique<ApplicationDetailView>(*store, workspace);
            tester = std::make_unique<QAbstractItemModelTester>(
                &view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
            view->resize(900, 700);
            view->show();
        }
        store->select(app(appName));
        runAll();
        settle();
    }

    std::vector<ResidualItem> editorFindings() {
        return {
            finding("Application Support/Editor", ResidualCategory::support, MatchConfidence::exact, true,
                    5000),
            finding("Caches/com.example.editor", ResidualCategory::cache, MatchConfidence::exact, true, 2000),
            finding("Caches/EditorShared", ResidualCategory::cache, MatchConfidence::possible, false, 3000),
            finding("Preferences/com.example.editor.plist", ResidualCategory::preferences,
                    MatchConfidence::exact, false, 1000),
            finding("Logs/Example", ResidualCategory::logs, MatchConfidence::possible, false, 10),
        };
    }

    ResidualListModel& model() const { return view->model(); }

    // What each row shows, in order: "#Caches" for a header, the name for a finding, "i:Dock Icon" for an
    // information header, "-Plain Text (.txt, .text)" for a metadata row.
    std::vector<std::string> rows() const {
        std::vector<std::string> result;
        for (int row = 0; row < model().rowCount(); ++row) {
            const QModelIndex index = model().index(row);
            const std::string text = index.data().toString().toStdString();
            switch (model().kind(row)) {
            case Kind::categoryHeader:
                result.push_back("#" + text);
                break;
            case Kind::residual:
                result.push_back(text);
                break;
            case Kind::informationHeader:
                result.push_back("i:" + text);
                break;
            case Kind::metadata: {
                const std::string detail = index.data(ResidualListModel::detailRole).toString().toStdString();
                result.push_back("-" + text + (detail.empty() ? "" : " (" + detail + ")"));
                break;
            }
            }
        }
        return result;
    }

    int rowNamed(const std::string& name) const {
        for (int row = 0; row < model().rowCount(); ++row) {
            if (model().kind(row) == Kind::residual &&
                model().index(row).data().toString().toStdString() == name) {
                return row;
            }
        }
        return -1;
    }

    bool selected(const std::string& name) const {
        for (const ResidualItem& item : store->residuals()) {
            if (item.url.filename() == name) {
                return item.selected;
            }
        }
        ADD_FAILURE() << name << " is not among the findings";
        return false;
    }

    // Clicks the part of a row the user would click, found where the view draws it.
    void click(int row, Part part) {
        QListView* list = view->list();
        const QModelIndex index = model().index(row);
        list->scrollTo(index);
        const QRect rect = list->visualRect(index);
        for (int y = rect.top(); y < rect.top() + 60; y += 2) {
            for (int x = rect.left(); x < rect.right(); x += 2) {
                if (view->delegate().partAt(index, rect, {x, y}) == part) {
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, {x, y});
                    settle();
                    return;
                }
            }
        }
        FAIL() << "no such part on row " << row;
    }

    // Saves what the view shows now, for review, beside the test program.
    void screenshot(const QString& name) {
        settle();
        const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
        QDir().mkpath(folder);
        EXPECT_TRUE(view->grab().save(folder + QStringLiteral("/") + name + QStringLiteral(".png")));
    }

    fs::path applications;
    RecordingWorkspace workspace;
    std::unique_ptr<ApplicationDetailView> view;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(ApplicationDetailTest, SectionsFollowTheCategoryOrderAndSummariseTheirShownItems) {
    show("Editor", editorFindings());

    EXPECT_EQ(view->nameLabel()->text(), "Editor");
    EXPECT_EQ(view->subtitleLabel()->text().toStdString(), "com.example.editor  \u2022  Version 2.1");
    EXPECT_FALSE(view->protectedBadge()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->systemSearchBadge()->isVisibleTo(view.get()));
    EXPECT_EQ(view->currentContent(), view->list());
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"#Application Support", "Editor", "#Caches", "com.example.editor",
                                        "EditorShared", "#Preferences", "com.example.editor.plist", "#Logs",
                                        "Example", "i:Dock Icon", "-Editor", "i:Supported Document Types",
                                        "-Plain Text (.txt, .text)", "-Anything", "-Plain Text (.md)"}));

    const auto summary = [&](ResidualCategory category) {
        return model()
            .index(model().headerRow(category))
            .data(ResidualListModel::summaryRole)
            .toString()
            .toStdString();
    };
    EXPECT_EQ(summary(ResidualCategory::cache), "2 items  \u2022  5 KB");
    EXPECT_EQ(summary(ResidualCategory::logs), "1 item  \u2022  10 bytes");
    EXPECT_EQ(model().sectionSelection(ResidualCategory::support), Selection::all);
    EXPECT_EQ(model().sectionSelection(ResidualCategory::cache), Selection::some);
    EXPECT_EQ(model().sectionSelection(ResidualCategory::preferences), Selection::none);

    const QModelIndex caches = model().index(model().headerRow(ResidualCategory::cache));
    const QModelIndex support = model().index(model().headerRow(ResidualCategory::support));
    EXPECT_EQ(view->delegate().toolTip(caches, Part::sectionSelection), "Select all in Caches");
    EXPECT_EQ(view->delegate().toolTip(support, Part::sectionSelection),
              "Deselect all in Application Support");
    EXPECT_EQ(view->delegate().toolTip(caches, Part::sectionCollapse), "Hide Caches");

    // The filter narrows the sections and their sums to what it shows.
    view->filterField()->lineEdit()->setText("shared");
    emit view->filterField()->textEdited("shared");
    settle();
    EXPECT_EQ(store->fileSearch(), "shared");
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Caches", "EditorShared", "i:Dock Icon", "-Editor",
                                                "i:Supported Document Types", "-Plain Text (.txt, .text)",
                                                "-Anything", "-Plain Text (.md)"}));
    EXPECT_EQ(summary(ResidualCategory::cache), "1 item  \u2022  3 KB");
    EXPECT_EQ(model().sectionSelection(ResidualCategory::cache), Selection::none);

    // A filter that hides every finding leaves only the information sections.
    store->setFileSearch("nothing like it");
    settle();
    EXPECT_EQ(view->currentContent(), view->list());
    EXPECT_EQ(rows().front(), "i:Dock Icon");
    screenshot("detail-filtered-to-nothing");
}

TEST_F(ApplicationDetailTest, TheSectionButtonChoosesOnlyShownItemsAndPossibleOnesToo) {
    show("Editor", editorFindings());
    store->setFileSearch("shared");
    settle();

    // Some shown item unchosen: choose every shown one, the merely possible included.
    click(model().headerRow(ResidualCategory::cache), Part::sectionSelection);
    EXPECT_TRUE(selected("EditorShared"));
    EXPECT_EQ(model().sectionSelection(ResidualCategory::cache), Selection::all);

    // All shown chosen: release exactly those, not the hidden one of the same section.
    click(model().headerRow(ResidualCategory::cache), Part::sectionSelection);
    EXPECT_FALSE(selected("EditorShared"));
    EXPECT_TRUE(selected("com.example.editor")) << "hidden by the filter, so left alone";

    store->setFileSearch({});
    settle();
    EXPECT_EQ(model().sectionSelection(ResidualCategory::cache), Selection::some);
}

TEST_F(ApplicationDetailTest, SelectSafeLeavesPossibleItemsAndRowsChangeInPlace) {
    show("Editor", editorFindings());
    QSignalSpy resets(&model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model(), &QAbstractItemModel::dataChanged);

    QTest::mouseClick(view->clearButton(), Qt::LeftButton);
    EXPECT_EQ(view->selectionCountLabel()->text(), "0 selected");
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled()) << "nothing chosen";

    QTest::mouseClick(view->selectSafeButton(), Qt::LeftButton);
    EXPECT_TRUE(selected("Editor"));
    EXPECT_TRUE(selected("com.example.editor.plist"));
    EXPECT_FALSE(selected("EditorShared"));
    EXPECT_FALSE(selected("Example"));
    EXPECT_EQ(view->selectionCountLabel()->text(), "3 selected");
    EXPECT_EQ(view->selectionSizeLabel()->text(), "8 KB");
    EXPECT_TRUE(view->moveToTrashButton()->isEnabled());

    // The checkbox of one row repaints that row and its header, never the whole list.
    changes.clear();
    click(rowNamed("Example"), Part::checkbox);
    EXPECT_TRUE(selected("Example"));
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(0).at(0).value<QModelIndex>().row(), rowNamed("Example"));
    EXPECT_EQ(changes.at(1).at(0).value<QModelIndex>().row(), model().headerRow(ResidualCategory::logs));
    EXPECT_EQ(view->selectionCountLabel()->text(), "4 selected");

    // From the keyboard: Space chooses the current finding.
    view->list()->setFocus();
    view->list()->setCurrentIndex(model().index(rowNamed("EditorShared")));
    QTest::keyClick(view->list(), Qt::Key_Space);
    EXPECT_TRUE(selected("EditorShared"));
    EXPECT_EQ(resets.count(), 0);
}

TEST_F(ApplicationDetailTest, AFolderListsItsFirstHundredChildrenOnceAndAFileOnlyItsDetails) {
    auto findings = editorFindings();
    const fs::path big = tree.userLibrary("Caches/com.example.editor.big");
    for (int index = 1; index <= 250; ++index) {
        tree.addFile(big / ("item " + std::to_string(index)), "x");
    }
    tree.addFile(big / ".hidden", "x");
    findings.push_back(
        {big, 250, ResidualCategory::cache, MatchConfidence::exact, "Bundle identifier match", true});
    show("Editor", findings);

    const int row = rowNamed("com.example.editor.big");
    EXPECT_EQ(view->delegate().toolTip(model().index(row), Part::expand), "Show details");
    click(row, Part::expand);
    ASSERT_TRUE(
        waitUntil([&] { return model().expansion(row) != nullptr && model().expansion(row)->loaded; }));
    QStringList lines = view->delegate().expansionLines(row);
    ASSERT_GE(lines.size(), 101);
    EXPECT_EQ(lines.at(0), "item 1");
    EXPECT_EQ(lines.at(1), "item 2");
    EXPECT_EQ(lines.at(99), "item 100");
    EXPECT_EQ(lines.at(100), "150 more items");
    EXPECT_TRUE(lines.contains("Type: Folder"));
    EXPECT_TRUE(lines.contains("Category: Caches"));
    EXPECT_FALSE(
        lines.contains("Not selected automatically to protect data shared with other applications."));
    EXPECT_EQ(view->delegate().toolTip(model().index(row), Part::expand), "Hide details");
    EXPECT_GT(view->list()->visualRect(model().index(row)).height(), 100 * 24) << "the row grew to show it";
    screenshot("detail-folder-expanded");

    // Collapsing keeps the listing; opening again does not read the folder again.
    fs::remove(big / "item 1");
    click(row, Part::expand);
    click(row, Part::expand);
    settle();
    EXPECT_EQ(view->delegate().expansionLines(row).at(0), "item 1");

    // A file: its details, never a listing.
    const int file = rowNamed("com.example.editor.plist");
    click(file, Part::expand);
    ASSERT_TRUE(
        waitUntil([&] { return model().expansion(file) != nullptr && model().expansion(file)->loaded; }));
    lines = view->delegate().expansionLines(file);
    EXPECT_EQ(lines.at(0), "Bundle identifier match");
    EXPECT_TRUE(lines.contains("Type: File"));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const QString& line) { return line.startsWith("Modified: "); }));

    // A possible finding warns, and an unreadable location still shows its details.
    fs::remove(tree.userLibrary("Caches/EditorShared"));
    const int possible = rowNamed("EditorShared");
    EXPECT_EQ(model().index(possible).data(ResidualListModel::reasonRole).toString(),
              "Name resembles the developer's");
    click(possible, Part::expand);
    ASSERT_TRUE(waitUntil([&] { return model().expansion(possible)->loaded; }));
    lines = view->delegate().expansionLines(possible);
    EXPECT_TRUE(lines.contains("Not selected automatically to protect data shared with other applications."));
    EXPECT_TRUE(lines.contains("Type: File"));
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(),
                             [](const QString& line) { return line.startsWith("Modified"); }));
    screenshot("detail-possible-item");

    click(possible, Part::reveal);
    ASSERT_EQ(workspace.revealed.size(), 1U);
    EXPECT_EQ(workspace.revealed.front(), std::vector<fs::path>{tree.userLibrary("Caches/EditorShared")});
}

TEST_F(ApplicationDetailTest, EmptyAndUnreadableFoldersSayTheirContentsCannotBeShown) {
    tree.addFolder(tree.userLibrary("Caches/Empty"));
    show("Editor",
         {{tree.userLibrary("Caches/Empty"), 0, ResidualCategory::cache, MatchConfidence::exact, "r", true}});
    const int row = rowNamed("Empty");
    QTest::keyClick(view->list(), Qt::Key_Down);
    view->list()->setCurrentIndex(model().index(row));
    QTest::keyClick(view->list(), Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return model().expansion(row) != nullptr && model().expansion(row)->loaded; }));
    EXPECT_EQ(view->delegate().expansionLines(row).at(0), "Folder is empty or its contents cannot be read.");
}

TEST_F(ApplicationDetailTest, DockAndDocumentSectionsFollowTheBundleAndStayCollapsedAcrossApplications) {
    show("Agent",
         {finding("Caches/com.example.agent", ResidualCategory::cache, MatchConfidence::exact, true)});
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Caches", "com.example.agent"}))
        << "a numeric 1 hides the Dock row";

    show("Texty",
         {finding("Caches/com.example.texty", ResidualCategory::cache, MatchConfidence::exact, true)});
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Caches", "com.example.texty", "i:Dock Icon", "-Texty"}))
        << "text \"1\" is not a flag";
    EXPECT_EQ(model().index(3).data(Qt::ToolTipRole).toString().toStdString(),
              "Application metadata \u2014 this item is informational and is not removed separately.");

    // Collapsed sections stay collapsed for the next application.
    click(model().headerRow(ResidualCategory::cache), Part::sectionCollapse);
    click(model().informationHeaderRow("dock"), Part::informationToggle);
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Caches", "i:Dock Icon"}));
    EXPECT_EQ(view->delegate().toolTip(model().index(0), Part::sectionCollapse), "Show Caches");

    show("Editor", editorFindings());
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Application Support", "Editor", "#Caches", "#Preferences",
                                                "com.example.editor.plist", "#Logs", "Example", "i:Dock Icon",
                                                "i:Supported Document Types", "-Plain Text (.txt, .text)",
                                                "-Anything", "-Plain Text (.md)"}));
    EXPECT_EQ(view->selectionCountLabel()->text(), "2 selected") << "collapsed items still count";
}

TEST_F(ApplicationDetailTest, ScanningNothingFoundAndMoveToTrashStates) {
    script->findings[app("Editor").id()] = {};
    view = std::make_unique<ApplicationDetailView>(*store, workspace);
    view->resize(900, 700);
    store->select(app("Editor"));
    EXPECT_EQ(view->currentContent()->findChild<QLabel*>() != nullptr, true);
    EXPECT_EQ(view->scanningLabel()->text().toStdString(), "Scanning app data and leftovers\u2026");
    EXPECT_TRUE(view->scanningLabel()->isVisibleTo(view.get()));
    runAll();
    settle();
    EXPECT_EQ(view->currentContent(), view->emptyState());
    EXPECT_EQ(view->emptyState()->title(), "No Related Files Found");
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled());

    // A system application is protected, whatever is chosen.
    show("Clock", {finding("Caches/com.apple.clock", ResidualCategory::cache, MatchConfidence::exact, true)});
    EXPECT_TRUE(view->protectedBadge()->isVisibleTo(view.get()));
    EXPECT_EQ(view->selectionCountLabel()->text(), "1 selected");
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled());

    // While a removal runs the button rests.
    show("Editor", editorFindings());
    ASSERT_TRUE(view->moveToTrashButton()->isEnabled());
    QTest::mouseClick(view->moveToTrashButton(), Qt::LeftButton);
    ASSERT_TRUE(store->removalCandidate().has_value()) << "the button asks for the confirmation";
    store->confirmRemoval();
    ASSERT_TRUE(store->isRemoving());
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled());
    screenshot("detail-app-with-findings");
}

} // namespace
} // namespace tarnwick::testing
