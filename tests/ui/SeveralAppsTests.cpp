// Several applications chosen in the sidebar, shown and removed together, and applications that run while
// they are removed, as the user meets them in the window.
#include "session/RemovalTexts.h"
#include "support/RunningCopy.h"
#include "support/WindowFixture.h"
#include "ui/ApplicationDetailView.h"
#include "ui/BatchDetailView.h"
#include "ui/DetailPane.h"
#include "ui/FindingsModel.h"
#include "ui/FindingsView.h"
#include "ui/MainView.h"
#include "ui/RemovalConfirmation.h"
#include "ui/Sidebar.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SeveralAppsTest : public WindowFixture {
protected:
    BatchDetailView& batchView() const { return *window->mainView()->batchDetail(); }

    QStringList sectionNames() const {
        QStringList names;
        for (const BatchSection* section : batchView().sections()) {
            names << section->nameLabel()->text();
        }
        return names;
    }

    QStringList highlightedNames() const {
        QStringList names;
        QModelIndexList rows = list().selectionModel()->selectedIndexes();
        std::sort(rows.begin(), rows.end());
        for (const QModelIndex& row : rows) {
            names << row.data().toString();
        }
        return names;
    }

    // Every section's model is held to the rules of item models from now on.
    void watchSectionModels() {
        for (BatchSection* section : batchView().sections()) {
            testers_.push_back(std::make_unique<QAbstractItemModelTester>(
                &section->model(), QAbstractItemModelTester::FailureReportingMode::Fatal));
        }
    }

    RemovalConfirmation* confirmation() const { return window->findChild<RemovalConfirmation*>(); }

    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers_;
};

TEST_F(SeveralAppsTest, ClicksWithCommandOrShiftAndShiftArrowsChooseSeveralEachShownAsASection) {
    openWindow();
    runAll();
    click(rowNamed("Editor"));
    runAll();
    EXPECT_EQ(detail().currentContent(), detail().applicationView()) << "one application, as ever";

    click(rowNamed("Texty"), Qt::ControlModifier);
    ASSERT_EQ(detail().currentContent(), detail().batchView());
    EXPECT_EQ(highlightedNames(), (QStringList{"Editor", "Texty"}));
    EXPECT_EQ(sectionNames(), (QStringList{"Editor", "Texty"}));
    EXPECT_EQ(batchView().titleLabel()->text(), "2 applications");
    watchSectionModels();
    EXPECT_EQ(batchView().sections().front()->summaryLabel()->text(), "Scanning\u2026");
    EXPECT_FALSE(batchView().moveToTrashButton()->isEnabled()) << "not before every scan has ended";
    EXPECT_EQ(batchView().moveToTrashButton()->toolTip(),
              "Wait until every chosen application has been searched.");
    runAll();

    // Each section counts what is chosen of its own application, and the footer all of them.
    const BatchSection& editor = *batchView().sections().front();
    const FindingsState& editorFindings = editor.findings();
    EXPECT_EQ(editor.summaryLabel()->text(),
              FindingsModel::summaryText(static_cast<int>(editorFindings.chosenCount()),
                                         editorFindings.chosenBytes()));
    EXPECT_TRUE(editor.list()->isVisible());
    EXPECT_GE(editor.list()->height(), editor.list()->contentHeight()) << "the list is as long as its rows";
    EXPECT_EQ(batchView().selectionCountLabel()->text(),
              QStringLiteral("%1 selected").arg(store->batch().chosenCount()));
    EXPECT_TRUE(batchView().moveToTrashButton()->isEnabled());
    const std::size_t before = store->batch().chosenCount();
    store->setChoice(editorFindings, false, {editorCache.string()});
    EXPECT_EQ(batchView().selectionCountLabel()->text(), QStringLiteral("%1 selected").arg(before - 1));

    // Shift and the arrows, from a single application, as in a file browser.
    click(rowNamed("Agent"));
    runAll();
    EXPECT_EQ(detail().currentContent(), detail().applicationView());
    EXPECT_TRUE(store->batch().isEmpty());
    QTest::keyClick(&list(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&list(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(highlightedNames(), (QStringList{"Agent", "App 2", "app 10"}));
    EXPECT_EQ(sectionNames(), (QStringList{"Agent", "App 2", "app 10"}));
    QTest::keyClick(&list(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(sectionNames(), (QStringList{"Agent", "App 2"}));
    runAll();

    // A plain click is a single selection again, and the Leftovers are never one of several.
    click(leftoversRow(), Qt::ControlModifier);
    EXPECT_EQ(highlightedName(), "Leftovers");
    EXPECT_TRUE(store->batch().isEmpty());
    runAll();
    click(rowNamed("Texty"));
    runAll();
    EXPECT_EQ(highlightedNames(), QStringList{"Texty"});
    EXPECT_EQ(detail().currentContent(), detail().applicationView());
    EXPECT_TRUE(store->findings().isSelected(app("Texty").id()));
}

TEST_F(SeveralAppsTest, OneConfirmationNamesEachApplicationAndWhatRunsAndForcingIsASecondQuestion) {
    openWindowOnRunningSystem(200ms);
    runAll();
    RunningCopy skylume(runningBundle("Skylume") / "Contents/MacOS/Skylume", RunningCopy::OnQuit::ignores);
    click(rowNamed("Gloamlight"));
    runAll();
    click(rowNamed("Skylume"), Qt::ControlModifier);
    watchSectionModels();
    runAll();
    ASSERT_EQ(sectionNames(), (QStringList{"Gloamlight", "Skylume"}));

    QTest::mouseClick(batchView().moveToTrashButton(), Qt::LeftButton);
    runAll();
    QMessageBox* dialog = confirmation()->dialog();
    ASSERT_NE(dialog, nullptr) << store->errorMessage().value_or("");
    EXPECT_EQ(dialog->informativeText(),
              "Gloamlight \u2014 2 items (2.4 MB)\nSkylume \u2014 2 items (2.4 MB)\n\n"
              "4 items (4.9 MB) will be moved to the macOS Trash. You can restore them from History until "
              "Trash is emptied.\n\nSkylume is running. Tarnwick will ask it to quit first.");
    EXPECT_NE(dialog->defaultButton(), dialog->findChild<QPushButton*>("confirmRemoval"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("confirmRemoval"), Qt::LeftButton);
    QTRY_VERIFY(confirmation()->dialog() == nullptr);
    ASSERT_NE(confirmation()->waitingDialog(), nullptr);
    EXPECT_EQ(confirmation()->waitingDialog()->labelText(), "Waiting for Skylume to quit\u2026");
    runAll();

    // It did not quit: nothing moved, and forcing is asked for with Cancel as the answer Return gives.
    QMessageBox* force = confirmation()->forceQuitDialog();
    ASSERT_NE(force, nullptr);
    EXPECT_EQ(confirmation()->waitingDialog(), nullptr);
    EXPECT_EQ(force->text().toStdString(), RemovalTexts::forceQuitQuestion({"Skylume"}));
    auto* forceButton = force->findChild<QPushButton*>("forceQuit");
    EXPECT_EQ(force->focusWidget(), force->button(QMessageBox::Cancel)) << "focus is never on forcing";
    EXPECT_EQ(force->defaultButton(), force->button(QMessageBox::Cancel));
    EXPECT_NE(forceButton, nullptr);
    EXPECT_TRUE(fs::exists(runningBundle("Gloamlight"))) << "nothing moves while one of them runs";
    QTest::keyClick(force, Qt::Key_Return);
    QTRY_VERIFY(confirmation()->forceQuitDialog() == nullptr);
    runAll();
    EXPECT_FALSE(skylume.hasEnded());
    EXPECT_TRUE(store->removals().history().empty());
    EXPECT_FALSE(store->removals().isBusy());

    const int appResets = resets()[0];
    QTest::mouseClick(batchView().moveToTrashButton(), Qt::LeftButton);
    runAll();
    ASSERT_NE(confirmation()->dialog(), nullptr);
    QTest::mouseClick(confirmation()->dialog()->findChild<QPushButton*>("confirmRemoval"), Qt::LeftButton);
    runAll();
    ASSERT_NE(confirmation()->forceQuitDialog(), nullptr);
    QTest::mouseClick(confirmation()->forceQuitDialog()->findChild<QPushButton*>("forceQuit"),
                      Qt::LeftButton);
    runAll();
    EXPECT_TRUE(skylume.hasEnded(1s));
    EXPECT_FALSE(fs::exists(runningBundle("Skylume")));
    EXPECT_FALSE(fs::exists(runningBundle("Gloamlight")));
    EXPECT_EQ(resets()[0], appResets) << "the applications leave the sidebar row by row";
    EXPECT_EQ(detail().currentContent(), detail().applicationView());
}

} // namespace
} // namespace tarnwick::testing
