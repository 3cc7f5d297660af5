#include "ui/Sidebar.h"

#include "store/CleanerStore.h"
#include "ui/AppFilterControl.h"
#include "ui/AppFilterProxy.h"
#include "ui/AppListModel.h"
#include "ui/AppRow.h"
#include "ui/CleanupSectionModel.h"
#include "ui/SearchField.h"
#include "ui/SymbolLabel.h"
#include "ui/Theme.h"

#include <QConcatenateTablesProxyModel>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace tarnwick {

namespace {

QLabel* secondaryLabel(const QString& text, Theme::TextStyle style, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(Theme::font(style));
    Theme::useSecondaryText(label);
    return label;
}

// The loading state's indicator, turning while shown.
class Spinner final : public QWidget {
public:
    explicit Spinner(QWidget* parent)
        : QWidget(parent)
        , timer_(new QTimer(this)) {
        setFixedSize(20, 20);
        timer_->setInterval(80);
        connect(timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    }

protected:
    void showEvent(QShowEvent*) override { timer_->start(); }
    void hideEvent(QHideEvent*) override { timer_->stop(); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        AppRow::paintSpinner(painter, QRectF(rect()).adjusted(1, 1, -1, -1), Theme::secondary(this),
                             AppRow::spinnerPhase());
    }

private:
    QTimer* timer_;
};

} // namespace

Sidebar::Sidebar(CleanerStore& store, IconCache& icons, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , search_(new SearchField(tr("Search applications"), this))
    , filter_(new AppFilterControl(store, this))
    , body_(new QStackedWidget(this))
    , preview_(new QWidget(this))
    , loading_(new QWidget(this))
    , listPage_(new QWidget(this))
    , noMatches_(secondaryLabel(QString(), Theme::TextStyle::body, this))
    , list_(new QListView(listPage_))
    , apps_(new AppListModel(store.appList(), icons, this))
    , listed_(new AppFilterProxy(store.appList(), *apps_, this))
    , cleanup_(new CleanupSectionModel(this))
    , rows_(new QConcatenateTablesProxyModel(this))
    , footerSymbol_(new SymbolLabel("square.grid.2x2", 11, QColor(), this))
    , footerText_(secondaryLabel(QString(), Theme::TextStyle::caption, this))
    , footerHint_(secondaryLabel(tr("Drop an app here"), Theme::TextStyle::caption, this))
    , spinnerTimer_(new QTimer(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Header: the program's mark and name, the search, the modes.
    auto* header = new QWidget(this);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(14, 14, 14, 12);
    headerLayout->setSpacing(12);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    titleRow->addWidget(new SymbolLabel("waveform.path.ecg.rectangle", 24, Theme::blue(), header));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    auto* title = new QLabel(tr("Tarnwick"), header);
    title->setFont(Theme::font(Theme::TextStyle::title2, QFont::Bold));
    titles->addWidget(title);
    titles->addWidget(secondaryLabel(tr("Clean uninstall for macOS"), Theme::TextStyle::caption, header));
    titleRow->addLayout(titles);
    titleRow->addStretch(1);
    headerLayout->addLayout(titleRow);
    headerLayout->addWidget(search_);
    headerLayout->addWidget(filter_);
    layout->addWidget(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setStyleSheet(QStringLiteral("color: rgba(128,128,128,60);"));
    layout->addWidget(divider);

    // Bodies.
    auto* loadingLayout = new QVBoxLayout(loading_);
    loadingLayout->addStretch(1);
    auto* spinner = new Spinner(loading_);
    loadingLayout->addWidget(spinner, 0, Qt::AlignHCenter);
    auto* loadingText = secondaryLabel(tr("Finding applications\u2026"), Theme::TextStyle::body, loading_);
    loadingText->setObjectName("loadingText");
    loadingText->setAlignment(Qt::AlignCenter);
    loadingLayout->addWidget(loadingText);
    loadingLayout->addStretch(1);

    rows_->addSourceModel(listed_);
    rows_->addSourceModel(cleanup_);
    list_->setModel(rows_);
    list_->setItemDelegate(new AppRow(list_));
    // Several applications are chosen as in a file browser: Command- or Shift-click, Shift and the arrows.
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setUniformItemSizes(false);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setAccessibleName(tr("Applications"));
    list_->viewport()->setAutoFillBackground(false);
    list_->setAttribute(Qt::WA_MacShowFocusRect, false);

    auto* listLayout = new QVBoxLayout(listPage_);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    noMatches_->setObjectName(QStringLiteral("noMatches"));
    noMatches_->setAlignment(Qt::AlignCenter);
    noMatches_->setWordWrap(true);
    noMatches_->setContentsMargins(14, 12, 14, 12);
    noMatches_->hide();
    listLayout->addWidget(noMatches_);
    listLayout->addWidget(list_, 1);
    body_->addWidget(listPage_);
    body_->addWidget(loading_);
    body_->addWidget(preview_);
    layout->addWidget(body_, 1);

    // Footer.
    auto* footer = new QWidget(this);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(14, 8, 14, 10);
    footerLayout->setSpacing(5);
    footerLayout->addWidget(footerSymbol_);
    footerText_->setObjectName("footerText");
    footerLayout->addWidget(footerText_);
    footerLayout->addStretch(1);
    footerHint_->setObjectName("footerHint");
    footerLayout->addWidget(footerHint_);
    layout->addWidget(footer);

    // Sizes are measured in the background; their spinners turn only while some are missing.
    spinnerTimer_->setInterval(100);
    connect(spinnerTimer_, &QTimer::timeout, list_->viewport(), qOverload<>(&QWidget::update));

    connect(search_, &SearchField::textEdited, this,
            [this](const QString& text) { store_.setAppSearch(text.toStdString()); });
    connect(search_, &SearchField::leaveRequested, this, [this] {
        if (body_->currentWidget() != listPage_) {
            return;
        }
        list_->setFocus(Qt::TabFocusReason);
        if (!list_->selectionModel()->hasSelection() && rows_->rowCount() > 0) {
            list_->setCurrentIndex(rows_->index(0, 0)); // the first result, chosen as a click would
        }
    });
    const AppListState& appList = store_.appList();
    connect(&appList, &AppListState::searchChanged, this, [this] {
        search_->setText(QString::fromStdString(store_.appList().search()));
        refreshFooter();
    });
    connect(&appList, &AppListState::filterChanged, this, [this] {
        refreshBody();
        refreshFooter();
    });
    connect(&appList, &AppListState::loadingChanged, this, &Sidebar::refreshBody);
    connect(&appList, &AppListState::appsChanged, this, [this] {
        refreshBody();
        updateSpinners();
    });
    connect(&store_, &CleanerStore::selectionChanged, this, &Sidebar::showStoreSelection);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(listed_, signal, this, [this] {
            refreshFooter();
            showStoreSelection();
        });
    }
    connect(listed_, &QAbstractItemModel::modelReset, this, [this] {
        refreshFooter();
        showStoreSelection();
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Sidebar::selectionEdited);

    search_->setText(QString::fromStdString(store_.appList().search()));
    refreshBody();
    refreshFooter();
    updateSpinners();
    showStoreSelection();
}

QWidget* Sidebar::currentBody() const {
    return body_->currentWidget();
}

QWidget* Sidebar::listBody() const {
    return listPage_;
}

QWidget* Sidebar::loadingBody() const {
    return loading_;
}

QWidget* Sidebar::previewBody() const {
    return preview_;
}

QString Sidebar::footerText() const {
    return footerText_->text();
}

QString Sidebar::footerHint() const {
    return footerHint_->isVisibleTo(this) ? footerHint_->text() : QString();
}

void Sidebar::setPreview(QWidget* preview) {
    const bool shown = body_->currentWidget() == preview_;
    body_->removeWidget(preview_);
    preview_->deleteLater();
    preview_ = preview;
    body_->addWidget(preview_);
    if (shown) {
        body_->setCurrentWidget(preview_);
    }
}

void Sidebar::refreshBody() {
    QWidget* shown = listPage_;
    if (store_.appList().filter() != AppListFilter::apps) {
        shown = preview_;
    } else if (store_.appList().isLoading() && store_.appList().apps().empty()) {
        shown = loading_;
    }
    if (body_->currentWidget() != shown) {
        body_->setCurrentWidget(shown);
    }
}

void Sidebar::refreshFooter() {
    const bool apps = store_.appList().filter() == AppListFilter::apps;
    footerSymbol_->setSymbol(apps ? "square.grid.2x2" : "sparkles");
    footerText_->setText(apps ? tr("%Ln application(s)", nullptr, listed_->rowCount()) : tr("Pro feature"));
    footerHint_->setVisible(apps);
    // A search that hides every application says so over the list, whose Leftovers row still shows.
    const bool hidesAll = apps && listed_->rowCount() == 0 && !store_.appList().search().empty() &&
                          !store_.appList().apps().empty();
    if (hidesAll) {
        noMatches_->setText(tr("No applications match \u201C%1\u201D.")
                                .arg(QString::fromStdString(store_.appList().search())));
    }
    noMatches_->setVisible(hidesAll);
}

QModelIndex Sidebar::rowOf(const std::string& appID) const {
    if (appID == CleanerStore::leftoversApp().id()) {
        return rows_->mapFromSource(cleanup_->index(CleanupSectionModel::leftoversRow));
    }
    // Only a listed application has a row.
    const int position = apps_->rowOf(appID);
    return position < 0 ? QModelIndex()
                        : rows_->mapFromSource(listed_->mapFromSource(apps_->index(position)));
}

void Sidebar::showStoreSelection() {
    std::vector<std::string> selected;
    if (const auto& app = store_.findings().selectedApp()) {
        selected.push_back(app->id());
    } else {
        for (const InstalledApp& app : store_.batch().apps()) {
            selected.push_back(app.id());
        }
    }
    QItemSelection rows;
    for (const std::string& id : selected) {
        if (const QModelIndex row = rowOf(id); row.isValid()) {
            rows.select(row, row);
        }
    }
    QItemSelectionModel* selection = list_->selectionModel();
    QItemSelection shown = selection->selection();
    const auto sameRows = [](QModelIndexList one, QModelIndexList other) {
        std::sort(one.begin(), one.end());
        std::sort(other.begin(), other.end());
        return one == other;
    };
    if (sameRows(rows.indexes(), shown.indexes())) {
        return;
    }
    showingStoreSelection_ = true;
    if (rows.isEmpty()) {
        selection->clear();
    } else if (rows.indexes().size() == 1) {
        selection->setCurrentIndex(rows.indexes().front(), QItemSelectionModel::ClearAndSelect);
        list_->scrollTo(rows.indexes().front());
    } else {
        // The row the user is on stays current, so that Shift goes on extending from it.
        selection->select(rows, QItemSelectionModel::ClearAndSelect);
        if (!rows.contains(selection->currentIndex())) {
            selection->setCurrentIndex(rows.indexes().front(), QItemSelectionModel::NoUpdate);
        }
    }
    showingStoreSelection_ = false;
}

void Sidebar::selectionEdited() {
    if (showingStoreSelection_ || listed_->isRefiltering()) {
        return;
    }
    QModelIndexList chosen = list_->selectionModel()->selectedIndexes();
    if (chosen.isEmpty()) {
        // A click on empty space clears nothing: the highlight keeps showing what the detail pane shows.
        showStoreSelection();
        return;
    }
    std::sort(chosen.begin(), chosen.end());
    const std::string leftovers = CleanerStore::leftoversApp().id();
    const QModelIndex current = list_->selectionModel()->currentIndex();
    // The Leftovers are no application: chosen on their own, never among others.
    if (current.isValid() && list_->selectionModel()->isSelected(current) &&
        current.data(AppListModel::appIdRole).toString().toStdString() == leftovers) {
        if (!store_.findings().isSelected(leftovers)) {
            store_.selectLeftovers();
        }
        showStoreSelection();
        return;
    }
    std::vector<InstalledApp> apps;
    for (const QModelIndex& row : chosen) {
        const std::string id = row.data(AppListModel::appIdRole).toString().toStdString();
        if (const InstalledApp* app = apps_->app(apps_->rowOf(id)); app != nullptr && id != leftovers) {
            apps.push_back(*app); // a copy: selecting may change the list the record lives in
        }
    }
    if (apps.empty()) {
        showStoreSelection();
        return;
    }
    const auto isShown = [&] {
        if (apps.size() == 1) {
            return store_.findings().isSelected(apps.front().id());
        }
        const std::vector<InstalledApp> batch = store_.batch().apps();
        return store_.findings().selectedApp() == std::nullopt &&
               std::equal(
                   apps.begin(), apps.end(), batch.begin(), batch.end(),
                   [](const InstalledApp& one, const InstalledApp& other) { return one.id() == other.id(); });
    };
    if (isShown()) {
        showStoreSelection(); // the Leftovers row, if it was among them, is let go
        return;
    }
    store_.selectApps(apps);
}

void Sidebar::updateSpinners() {
    if (apps_->isMeasuring()) {
        if (!spinnerTimer_->isActive()) {
            spinnerTimer_->start();
        }
    } else {
        spinnerTimer_->stop();
        list_->viewport()->update();
    }
}

} // namespace tarnwick
