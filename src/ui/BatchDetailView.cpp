#include "ui/BatchDetailView.h"

#include "store/CleanerStore.h"
#include "ui/FindingsFilter.h"
#include "ui/FindingsModel.h"
#include "ui/FindingsView.h"
#include "ui/IconCache.h"
#include "ui/IconLabel.h"
#include "ui/RemovalFooter.h"
#include "ui/SymbolLabel.h"
#include "ui/Theme.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

constexpr int sectionIconSide = 32;

} // namespace

BatchSection::BatchSection(CleanerStore& store, const FindingsState& findings, IconCache& icons,
                           Workspace& workspace, QWidget* parent)
    : QWidget(parent)
    , findings_(findings)
    , icons_(icons)
    , model_(new FindingsModel(store, findings, icons, this))
    , filter_(new FindingsFilter(store, *model_, this))
    , icon_(new IconLabel(sectionIconSide, this))
    , name_(Theme::label({}, Theme::font(Theme::TextStyle::title3, QFont::Bold), this))
    , summary_(Theme::label({}, Theme::font(Theme::TextStyle::subheadline), this))
    , empty_(Theme::label(tr("No related files found."), Theme::font(Theme::TextStyle::body), this))
    , list_(new FindingsView(*filter_, *model_, workspace, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(4);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(20, 12, 20, 4);
    header->setSpacing(10);
    header->addWidget(icon_);
    header->addWidget(name_, 1);
    Theme::useSecondaryText(summary_);
    summary_->setObjectName(QStringLiteral("sectionSummary"));
    header->addWidget(summary_);
    layout->addLayout(header);
    Theme::useSecondaryText(empty_);
    empty_->setContentsMargins(62, 2, 20, 8);
    layout->addWidget(empty_);
    // The list is as long as its rows: the column around it scrolls, not each application's list.
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    list_->setAccessibleName(tr("Discovered files of %1")
                                 .arg(QString::fromStdString(
                                     findings.selectedApp() ? findings.selectedApp()->name : std::string())));
    layout->addWidget(list_);

    connect(filter_, &QAbstractItemModel::rowsInserted, this, &BatchSection::fitList);
    connect(filter_, &QAbstractItemModel::rowsRemoved, this, &BatchSection::fitList);
    connect(filter_, &QAbstractItemModel::modelReset, this, &BatchSection::fitList);
    connect(filter_, &QAbstractItemModel::layoutChanged, this, &BatchSection::fitList);
    connect(filter_, &QAbstractItemModel::dataChanged, this, &BatchSection::fitList);
    connect(list_, &QTreeView::expanded, this, &BatchSection::fitList);
    connect(list_, &QTreeView::collapsed, this, &BatchSection::fitList);
    connect(&icons_, &IconCache::applicationArrived, this, [this](const QString& bundle) {
        if (findings_.selectedApp() && bundle.toStdString() == findings_.selectedApp()->url.native()) {
            refreshIcon();
        }
    });
    connect(&findings_, &FindingsState::itemsChanged, this, &BatchSection::refresh);
    connect(&findings_, &FindingsState::scanningChanged, this, &BatchSection::refresh);

    if (findings_.selectedApp()) {
        name_->setText(QString::fromStdString(findings_.selectedApp()->name));
        icons_.requestApplication(findings_.selectedApp()->url, sectionIconSide);
    }
    refreshIcon();
    refresh();
    fitList();
}

void BatchSection::refresh() {
    const bool scanning = findings_.isScanning();
    summary_->setText(scanning ? tr("Scanning\u2026")
                               : FindingsModel::summaryText(static_cast<int>(findings_.chosenCount()),
                                                            findings_.chosenBytes()));
    empty_->setVisible(!scanning && findings_.items().empty());
    list_->setVisible(!findings_.items().empty());
}

void BatchSection::refreshIcon() {
    if (findings_.selectedApp()) {
        icon_->setIcon(icons_.application(findings_.selectedApp()->url, sectionIconSide));
    }
}

void BatchSection::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitList(); // rows may take another height at another width
}

void BatchSection::fitList() {
    // Once the changes of this turn of the event loop are in, so that the rows are laid out only once.
    if (fitScheduled_) {
        return;
    }
    fitScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        fitScheduled_ = false;
        const int height = list_->contentHeight();
        if (list_->height() != height) {
            list_->setFixedHeight(height);
        }
    });
}

BatchDetailView::BatchDetailView(CleanerStore& store, IconCache& icons, Workspace& workspace,
                                 QAction* moveToTrash, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , icons_(icons)
    , workspace_(workspace)
    , title_(Theme::label({}, Theme::font(Theme::TextStyle::title, QFont::Bold), this))
    , scroll_(new QScrollArea(this))
    , footer_(new RemovalFooter(moveToTrash, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    const auto [header, identity] =
        Theme::header(new SymbolLabel("square.grid.2x2", 40, Theme::blue(), this));
    identity->addWidget(title_);
    auto* subtitle = Theme::label(
        tr("Each application keeps its own choice; one confirmation moves them all to the Trash."),
        Theme::font(Theme::TextStyle::subheadline), this);
    Theme::useSecondaryText(subtitle);
    subtitle->setWordWrap(true);
    identity->addWidget(subtitle);
    layout->addLayout(header);
    layout->addWidget(Theme::divider(this));

    auto* column = new QWidget(scroll_);
    sectionsLayout_ = new QVBoxLayout(column);
    sectionsLayout_->setContentsMargins(0, 0, 0, 0);
    sectionsLayout_->setSpacing(0);
    sectionsLayout_->addStretch(1);
    scroll_->setWidget(column);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    layout->addWidget(scroll_, 1);
    layout->addWidget(Theme::divider(this));

    layout->addWidget(footer_);

    connect(&store_.batch(), &BatchState::sectionsChanged, this, &BatchDetailView::follow);
    connect(&store_.batch(), &BatchState::sectionChanged, this, &BatchDetailView::refreshSummary);
    rebuild();
}

void BatchDetailView::follow(const ListChange& change) {
    if (change.kind != ListChange::Kind::removed) {
        rebuild();
        return;
    }
    // An application that went to the Trash leaves; the others keep their lists as they are.
    for (int row = change.last; row >= change.first; --row) {
        if (row < static_cast<int>(sections_.size())) {
            delete sections_[static_cast<std::size_t>(row)];
            sections_.erase(sections_.begin() + row);
        }
    }
    refreshSummary();
}

void BatchDetailView::rebuild() {
    // The sections' states are gone once this returns: their views go now, not later.
    for (BatchSection* section : sections_) {
        delete section;
    }
    sections_.clear();
    const BatchState& batch = store_.batch();
    for (std::size_t row = 0; row < batch.size(); ++row) {
        auto* section = new BatchSection(store_, batch.section(row), icons_, workspace_);
        sectionsLayout_->insertWidget(static_cast<int>(row), section);
        sections_.push_back(section);
    }
    refreshSummary();
}

void BatchDetailView::refreshSummary() {
    const BatchState& batch = store_.batch();
    title_->setText(tr("%Ln application(s)", nullptr, static_cast<int>(batch.size())));
    footer_->showChosen(batch.chosenCount(), batch.chosenBytes());
}

} // namespace tarnwick
