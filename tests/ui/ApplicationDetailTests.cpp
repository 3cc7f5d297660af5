#include "support/EventLoop.h"
#include "support/PaintedText.h"
#include "support/WindowFixture.h"
#include "ui/ApplicationDetailView.h"
#include "ui/Badge.h"
#include "ui/EmptyState.h"
#include "ui/FindingsDelegate.h"
#include "ui/FindingsFilter.h"
#include "ui/FindingsModel.h"
#include "ui/FindingsView.h"
#include "ui/MainView.h"
#include "ui/SearchField.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using Kind = FindingsModel::RowKind;
using Part = FindingsLayout::Part;

class ApplicationDetailTest : public WindowFixture {
protected:
    void SetUp() override {
        openWindow();
        runAll();
        view = window->mainView()->applicationDetail();
    }

    FindingsFilter& filter() const { return view->filter(); }
    FindingsView& list() const { return *view->list(); }

    // What the list shows, in order: "#Caches" for a category, the name for a finding, "i:Dock Icon" for an
    // information section, "-Plain Text (.txt, .text)" for a row of one; details rows left out.
    std::vector<std::string> rows() const {
        std::vector<std::string> result;
        for (int section = 0; section < filter().rowCount(); ++section) {
            const QModelIndex header = filter().index(section, 0);
            const bool information = FindingsModel::kindOf(header) == Kind::information;
            result.push_back((information ? "i:" : "#") + header.data().toString().toStdString());
            if (!list().isExpanded(header)) {
                continue;
            }
            for (int row = 0; row < filter().rowCount(header); ++row) {
                const QModelIndex index = filter().index(row, 0, header);
                const std::string detail = index.data(FindingsModel::detailRole).toString().toStdString();
                result.push_back((information ? "-" : "") + index.data().toString().toStdString() +
                                 (detail.empty() ? "" : " (" + detail + ")"));
            }
        }
        return result;
    }

    // The section or finding shown under `title`.
    QModelIndex row(const std::string& title, const QModelIndex& parent = {}) const {
        for (int position = 0; position < filter().rowCount(parent); ++position) {
            const QModelIndex index = filter().index(position, 0, parent);
            if (index.data().toString().toStdString() == title) {
                return index;
            }
            if (!parent.isValid() && row(title, index).isValid()) {
                return row(title, index);
            }
        }
        return {};
    }

    bool chosen(const std::string& name) const {
        for (const ResidualItem& item : store->findings().items()) {
            if (item.url.filename() == name) {
                return item.selected;
            }
        }
        ADD_FAILURE() << name << " is not among the findings";
        return false;
    }

    // Clicks the part of a row the user would click, found where the view draws it.
    void click(const QModelIndex& index, Part part) {
        list().scrollTo(index);
        const QRect rect = list().visualRect(index);
        const FindingsLayout layout = list().delegate().layout(index, rect);
        for (int y = rect.top(); y < rect.bottom(); y += 2) {
            for (int x = rect.left(); x < rect.right(); x += 2) {
                if (layout.partAt({x, y}) == part) {
                    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, {x, y});
                    settle();
                    return;
                }
            }
        }
        FAIL() << "no such part on " << index.data().toString().toStdString();
    }

    // The texts the view paints for a row.
    QStringList painted(const QModelIndex& index) const {
        return paintedTexts([&](QPainter& painter) {
            QStyleOptionViewItem option;
            option.rect = QRect(QPoint(0, 0), list().delegate().sizeHint(option, index));
            list().delegate().paint(&painter, option, index);
        });
    }

    ApplicationDetailView* view = nullptr;
};

TEST_F(ApplicationDetailTest, SectionsFollowTheCategoryOrderAndSpeakForTheFindingsTheyShow) {
    show("Editor", editorFindings());
    EXPECT_EQ(view->subtitleLabel()->text().toStdString(), "com.example.editor  \u2022  Version 2.1");
    EXPECT_FALSE(view->protectedBadge()->isVisibleTo(view));
    EXPECT_EQ(view->currentContent(), view->list());
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"#Application Support", "Editor", "#Caches", "com.example.editor",
                                        "EditorShared", "#Preferences", "com.example.editor.plist", "#Logs",
                                        "Example", "i:Dock Icon", "-Editor", "i:Supported Document Types",
                                        "-Plain Text (.txt, .text)", "-Anything", "-Plain Text (.md)"}));
    const QModelIndex caches = row("Caches");
    EXPECT_EQ(caches.data(FindingsModel::summaryRole).toString().toStdString(), "2 items  \u2022  5 KB");
    EXPECT_EQ(row("Logs").data(FindingsModel::summaryRole).toString().toStdString(),
              "1 item  \u2022  10 bytes");
    EXPECT_EQ(row("Application Support").data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(caches.data(Qt::CheckStateRole), Qt::PartiallyChecked);
    EXPECT_EQ(row("Preferences").data(Qt::CheckStateRole), Qt::Unchecked);

    // The filter narrows the sections, their sums and their checkboxes to what it shows.
    QTest::keyClicks(view->filterField()->lineEdit(), "shared");
    EXPECT_EQ(store->findings().fileSearch(), "shared");
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Caches", "EditorShared", "i:Dock Icon", "-Editor",
                                                "i:Supported Document Types", "-Plain Text (.txt, .text)",
                                                "-Anything", "-Plain Text (.md)"}));
    EXPECT_EQ(row("Caches").data(FindingsModel::summaryRole).toString().toStdString(),
              "1 item  \u2022  3 KB");
    EXPECT_EQ(row("Caches").data(Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_EQ(painted(row("Caches")), (QStringList{"1 item  \u2022  3 KB", "Caches"}));

    // A filter that hides every finding leaves only the information sections.
    store->setFileSearch("nothing like it");
    EXPECT_EQ(view->currentContent(), view->list());
    EXPECT_EQ(rows().front(), "i:Dock Icon");
}

TEST_F(ApplicationDetailTest, ASectionCheckboxChoosesAPartlyChosenSectionWholeAndOnlyWhatItShows) {
    show("Editor", editorFindings());
    click(row("Caches"), Part::checkbox);
    EXPECT_TRUE(chosen("EditorShared")) << "a partly chosen section is chosen whole, possible matches too";
    EXPECT_EQ(row("Caches").data(Qt::CheckStateRole), Qt::Checked);

    store->setFileSearch("shared");
    click(row("Caches"), Part::checkbox);
    EXPECT_FALSE(chosen("EditorShared"));
    EXPECT_TRUE(chosen("com.example.editor")) << "hidden by the filter, so left alone";
    store->setFileSearch({});
    EXPECT_EQ(row("Caches").data(Qt::CheckStateRole), Qt::PartiallyChecked);
}

TEST_F(ApplicationDetailTest, SelectSafeLeavesPossibleItemsAndChoicesChangeRowsInPlace) {
    show("Editor", editorFindings());
    QSignalSpy resets(&view->model(), &QAbstractItemModel::modelReset);
    QTest::mouseClick(view->clearButton(), Qt::LeftButton);
    EXPECT_EQ(view->selectionCountLabel()->text(), "0 selected");
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled()) << "nothing chosen";

    QTest::mouseClick(view->selectSafeButton(), Qt::LeftButton);
    EXPECT_EQ(view->selectionCountLabel()->text(), "3 selected");
    EXPECT_EQ(view->selectionSizeLabel()->text(), "8 KB");
    EXPECT_TRUE(view->moveToTrashButton()->isEnabled());

    click(row("Example"), Part::checkbox);
    EXPECT_TRUE(chosen("Example"));
    EXPECT_EQ(painted(row("Example")).mid(1, 3),
              (QStringList{"Example", "Possible", tree.userLibrary("Logs/Example").c_str()}));
    // From the keyboard: Space chooses the current finding.
    list().setFocus();
    list().setCurrentIndex(row("EditorShared"));
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_TRUE(chosen("EditorShared"));
    EXPECT_EQ(resets.count(), 0);
}

TEST_F(ApplicationDetailTest, AFolderShowsItsFirstHundredChildrenOnceTheyAreReadAndAFileItsDetails) {
    auto findings = editorFindings();
    findings.push_back({tree.addFolder(tree.userLibrary("Caches/Empty")), 0, ResidualCategory::cache,
                        MatchConfidence::exact, "r", true});
    const fs::path big = tree.userLibrary("Caches/com.example.editor.big");
    for (int index = 1; index <= 250; ++index) {
        tree.addFile(big / ("item " + std::to_string(index)), "x");
    }
    tree.addFile(big / ".hidden", "x");
    findings.push_back(
        {big, 250, ResidualCategory::cache, MatchConfidence::exact, "Bundle identifier match", true});
    show("Editor", findings);

    const QModelIndex folderRow = row("com.example.editor.big");
    EXPECT_EQ(list().delegate().layout(folderRow, list().visualRect(folderRow)).toolTip(Part::disclosure),
              "Show details");
    click(folderRow, Part::disclosure);
    const QModelIndex details = filter().index(0, 0, folderRow);
    EXPECT_EQ(painted(details).front(), QString::fromUtf8("Reading\u2026")) << "read off the main thread";
    runAll();
    QStringList lines = painted(details);
    const QStringList names = lines.filter(QRegularExpression("^item "));
    ASSERT_EQ(names.size(), 100);
    EXPECT_EQ(names.mid(0, 2), (QStringList{"item 1", "item 2"}))
        << "in the order a file browser shows names";
    EXPECT_EQ(names.back(), "item 100");
    EXPECT_TRUE(lines.contains("150 more items"));
    EXPECT_TRUE(lines.contains("Folder"));
    EXPECT_FALSE(
        lines.contains("Not selected automatically to protect data shared with other applications."));
    EXPECT_GT(list().visualRect(details).height(), 100 * 24) << "the row grew to show them";

    // Closing keeps what was read; opening again does not read the folder again.
    fs::remove(big / "item 1");
    click(folderRow, Part::disclosure);
    click(folderRow, Part::disclosure);
    runAll();
    EXPECT_TRUE(painted(details).contains("item 1"));

    // A merely possible file: its details with the warning, without a listing; gone from the disk, it is a
    // file.
    fs::remove(tree.userLibrary("Caches/EditorShared"));
    const QModelIndex possible = row("EditorShared");
    list().setFocus();
    list().setCurrentIndex(possible);
    QTest::keyClick(&list(), Qt::Key_Return);
    runAll();
    lines = painted(filter().index(0, 0, possible));
    EXPECT_EQ(lines.front(), "Name resembles the developer's");
    EXPECT_TRUE(lines.contains("Not selected automatically to protect data shared with other applications."));
    EXPECT_TRUE(lines.contains("File"));
    EXPECT_FALSE(lines.contains("Modified"));

    list().expand(row("Empty"));
    runAll();
    EXPECT_EQ(painted(filter().index(0, 0, row("Empty"))).front(),
              "Folder is empty or its contents cannot be read.");

    list().setCurrentIndex(possible);
    list().revealAction()->trigger();
    ASSERT_EQ(workspace.revealed.size(), 1U);
    EXPECT_EQ(workspace.revealed.front(), std::vector<fs::path>{tree.userLibrary("Caches/EditorShared")});
}

TEST_F(ApplicationDetailTest, DockAndDocumentSectionsFollowTheBundleAndStayClosedAcrossApplications) {
    show("Texty", std::vector<ResidualItem>{finding("Caches/com.example.texty", ResidualCategory::cache,
                                                    MatchConfidence::exact, true)});
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Caches", "com.example.texty", "i:Dock Icon", "-Texty"}));

    click(row("Caches"), Part::disclosure);
    click(row("Dock Icon"), Part::disclosure);
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Caches", "i:Dock Icon"}));
    show("Editor", editorFindings());
    EXPECT_EQ(rows(), (std::vector<std::string>{"#Application Support", "Editor", "#Caches", "#Preferences",
                                                "com.example.editor.plist", "#Logs", "Example", "i:Dock Icon",
                                                "i:Supported Document Types", "-Plain Text (.txt, .text)",
                                                "-Anything", "-Plain Text (.md)"}));
    EXPECT_EQ(view->selectionCountLabel()->text(), "2 selected")
        << "findings of a closed section still count";
}

TEST_F(ApplicationDetailTest, ScanningNothingFoundAndWhenMoveToTrashIsOffered) {
    store->select(app("Editor"));
    EXPECT_EQ(view->currentContent(), view->scanningLabel()->parentWidget());
    script->findings[app("Editor").id()] = {};
    runAll();
    EXPECT_EQ(view->currentContent(), view->emptyState());
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled());

    // A system application is protected, whatever is chosen.
    show("Clock", std::vector<ResidualItem>{finding("Caches/com.apple.clock", ResidualCategory::cache,
                                                    MatchConfidence::exact, true)});
    EXPECT_TRUE(view->protectedBadge()->isVisibleTo(view));
    EXPECT_EQ(view->selectionCountLabel()->text(), "1 selected");
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled());

    // While a removal runs the button rests.
    show("Editor", editorFindings());
    ASSERT_TRUE(view->moveToTrashButton()->isEnabled());
    QTest::mouseClick(view->moveToTrashButton(), Qt::LeftButton);
    runAll();
    ASSERT_TRUE(store->removals().candidate().has_value()) << "the button asks for the confirmation";
    store->confirmRemoval();
    EXPECT_FALSE(view->moveToTrashButton()->isEnabled());
}

} // namespace
} // namespace tarnwick::testing
