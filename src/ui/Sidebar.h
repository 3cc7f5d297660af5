#pragma once

#include <QModelIndex>
#include <QWidget>
#include <string>

class QConcatenateTablesProxyModel;
class QLabel;
class QListView;
class QStackedWidget;
class QTimer;

namespace tarnwick {

class AppFilterControl;
class AppFilterProxy;
class AppListModel;
class CleanerStore;
class CleanupSectionModel;
class IconCache;
class SearchField;
class SymbolLabel;

// The left column: title, application search, mode switch, then the preview, the loading state or the
// list of applications with the "System Cleanup" section, and a footer. The list's selection is the
// store's.
class Sidebar : public QWidget {
    Q_OBJECT

public:
    Sidebar(CleanerStore& store, IconCache& icons, QWidget* parent = nullptr);

    SearchField* searchField() const { return search_; }
    AppFilterControl* filterControl() const { return filter_; }
    QListView* list() const { return list_; }
    AppListModel& model() const { return *apps_; }
    // The body now shown: the list, the loading state or the preview.
    QWidget* currentBody() const;
    QWidget* listBody() const;
    QWidget* loadingBody() const;
    QWidget* previewBody() const;
    QString footerText() const;
    QString footerHint() const;
    // "No applications match …", shown while the search hides every application.
    QLabel* noMatchesLabel() const { return noMatches_; }

    // The preview of a Pro mode, shown in place of the list while that mode is chosen.
    void setPreview(QWidget* preview);

private:
    void refreshBody();
    void refreshFooter();
    // The row of the application (or the Leftovers) with the identity `appID`; invalid when not listed.
    QModelIndex rowOf(const std::string& appID) const;
    void showStoreSelection();
    void selectionEdited();
    void updateSpinners();

    CleanerStore& store_;
    SearchField* search_;
    AppFilterControl* filter_;
    QStackedWidget* body_;
    QWidget* preview_;
    QWidget* loading_;
    QWidget* listPage_;
    QLabel* noMatches_;
    QListView* list_;
    AppListModel* apps_;
    AppFilterProxy* listed_;
    CleanupSectionModel* cleanup_;
    QConcatenateTablesProxyModel* rows_;
    SymbolLabel* footerSymbol_;
    QLabel* footerText_;
    QLabel* footerHint_;
    QTimer* spinnerTimer_;
    // True while the list's selection is being made to show the store's, which is no choice of the user.
    bool showingStoreSelection_ = false;
};

} // namespace tarnwick
