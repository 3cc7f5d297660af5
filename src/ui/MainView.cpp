#include "ui/MainView.h"

#include "store/CleanerStore.h"
#include "ui/ApplicationDetailView.h"
#include "ui/BatchDetailView.h"
#include "ui/DetailPane.h"
#include "ui/IconCache.h"
#include "ui/SearchField.h"
#include "ui/Sidebar.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSplitter>

namespace tarnwick {

namespace {

constexpr int sidebarMinimum = 260;
constexpr int sidebarIdeal = 300;
constexpr int sidebarMaximum = 360;

} // namespace

MainView::MainView(CleanerStore& store, Workspace& workspace, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , workspace_(workspace)
    , icons_(new IconCache(store.background(), this))
    , splitter_(new QSplitter(Qt::Horizontal, this))
    , sidebar_(new Sidebar(store, *icons_, splitter_))
    , application_(new ApplicationDetailView(store, *icons_, workspace))
    , batch_(new BatchDetailView(store, *icons_, workspace, application_->moveToTrashAction()))
    , detail_(new DetailPane(store, application_, batch_, splitter_)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
    sidebar_->setMinimumWidth(sidebarMinimum);
    sidebar_->setMaximumWidth(sidebarMaximum);
    splitter_->addWidget(sidebar_);
    splitter_->addWidget(detail_);
    splitter_->setCollapsible(0, false);
    splitter_->setCollapsible(1, false);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({sidebarIdeal, 1000});

    // The sidebar's footer invites a drop too.
    detail_->takeDropsOn(sidebar_);

    connect(&store_.appList(), &AppListState::filterChanged, this, &MainView::showPreviews);
}

void MainView::showPreviews() {
    const AppListFilter mode = store_.appList().filter();
    if (mode == AppListFilter::apps) {
        previewMode_.reset();
        return;
    }
    if (previewMode_ == mode) {
        return;
    }
    previewMode_ = mode;
    sidebar_->setPreview(new ProSidebarPreview(mode));
    detail_->setPreview(new ProFeatureView(mode, offerRequest_, workspace_));
}

void MainView::addOverlay(QWidget* overlay) {
    overlay->setParent(this);
    overlay->setGeometry(rect());
    overlay->raise();
    overlays_.push_back(overlay);
    connect(overlay, &QObject::destroyed, this, [this, overlay] { std::erase(overlays_, overlay); });
}

void MainView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // An already loaded list is not loaded again when the window reappears.
    if (store_.appList().apps().empty()) {
        store_.loadApps();
    }
}

void MainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QWidget* overlay : overlays_) {
        overlay->setGeometry(rect());
    }
}

} // namespace tarnwick
