#pragma once

#include "residuals/ResidualCategory.h"
#include "store/AppListFilter.h"
#include "ui/ProPreviews.h"

#include <QWidget>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QSplitter;

namespace tarnwick {

class ApplicationDetailView;
class BatchDetailView;
class CleanerStore;
class DetailPane;
class IconCache;
class Sidebar;
class Workspace;

// The window's content: the sidebar beside the detail pane, and layers over both for dialogs and panels.
// It asks the store for the applications the first time it appears with none listed.
class MainView : public QWidget {
    Q_OBJECT

public:
    MainView(CleanerStore& store, Workspace& workspace, QWidget* parent = nullptr);

    CleanerStore& store() const { return store_; }
    Workspace& workspace() const { return workspace_; }
    IconCache& icons() const { return *icons_; }
    Sidebar* sidebar() const { return sidebar_; }
    DetailPane* detailPane() const { return detail_; }
    ApplicationDetailView* applicationDetail() const { return application_; }
    BatchDetailView* batchDetail() const { return batch_; }
    QSplitter* splitter() const { return splitter_; }

    // How the Pro previews ask for the maker's offer; without one they show their own texts only.
    void setOfferRequest(OfferRequest request) { offerRequest_ = std::move(request); }

    // Lays `overlay` over the whole view (sidebar included), above everything added before; it follows the
    // view's size. The overlay decides itself when it is visible.
    void addOverlay(QWidget* overlay);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // A Pro mode gets fresh previews, which ask for the offer again.
    void showPreviews();

    CleanerStore& store_;
    Workspace& workspace_;
    IconCache* icons_;
    QSplitter* splitter_;
    Sidebar* sidebar_;
    ApplicationDetailView* application_;
    BatchDetailView* batch_;
    DetailPane* detail_;
    std::vector<QWidget*> overlays_;
    OfferRequest offerRequest_;
    std::optional<AppListFilter> previewMode_;
};

} // namespace tarnwick
