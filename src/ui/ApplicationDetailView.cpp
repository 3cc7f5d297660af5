#include "ui/ApplicationDetailView.h"

#include "catalogue/ByteFormat.h"
#include "store/CleanerStore.h"
#include "ui/ActionButton.h"
#include "ui/Badge.h"
#include "ui/EmptyState.h"
#include "ui/FindingsFilter.h"
#include "ui/FindingsModel.h"
#include "ui/FindingsView.h"
#include "ui/IconCache.h"
#include "ui/IconLabel.h"
#include "ui/RemovalFooter.h"
#include "ui/SearchField.h"
#include "ui/SymbolLabel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tarnwick {
namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void setSecondary(QLabel* label) {
    Theme::useSecondaryText(label);
}

QProgressBar* spinner(QWidget* parent, int width) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(width, 6);
    return bar;
}

} // namespace

ApplicationDetailView::ApplicationDetailView(CleanerStore& store, IconCache& icons, Workspace& workspace,
                                             QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , icons_(icons)
    , model_(new FindingsModel(store, icons, this))
    , filter_(new FindingsFilter(store, *model_, this))
    , moveToTrashAction_(new QAction(tr("Move to Trash"), this))
    , selectSafeAction_(new QAction(tr("Select Safe"), this))
    , clearAction_(new QAction(tr("Clear"), this)) {
    // Command-Backspace as on a Mac, and the Delete key; only the confirmation that follows moves anything.
    moveToTrashAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Backspace), QKeySequence::Delete});
    moveToTrashAction_->setIconText(tr("Move to Trash"));
    moveToTrashAction_->setText(tr("Move to Trash\u2026"));
    selectSafeAction_->setShortcut(QKeySequence::SelectAll);
    clearAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)});
    clearAction_->setText(tr("Clear Selection"));
    clearAction_->setIconText(tr("Clear"));
    for (QAction* action : {moveToTrashAction_, selectSafeAction_, clearAction_}) {
        action->setShortcutContext(Qt::WindowShortcut);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Header: icon, name and badges, the identity line, the size.
    icon_ = new IconLabel(iconSide, this);
    const auto [header, identity] = Theme::header(icon_);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(8);
    name_ = Theme::label({}, Theme::font(Theme::TextStyle::title, QFont::Bold), this);
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    protected_ = new Badge(tr("Protected"), Theme::orange(), this);
    systemSearch_ = new Badge(tr("System Search"), Theme::blue(), this);
    nameRow->addWidget(name_, 0);
    nameRow->addWidget(protected_);
    nameRow->addWidget(systemSearch_);
    nameRow->addStretch(1);
    identity->addStretch(1);
    identity->addLayout(nameRow);
    subtitle_ = Theme::label({}, Theme::font(Theme::TextStyle::subheadline), this);
    subtitle_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSecondary(subtitle_);
    identity->addWidget(subtitle_);
    identity->addStretch(1);
    auto* sizeBlock = new QVBoxLayout;
    sizeBlock->setSpacing(2);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(6);
    sizeRow->addStretch(1);
    sizeSpinner_ = spinner(this, 28);
    sizeRow->addWidget(sizeSpinner_, 0, Qt::AlignVCenter);
    size_ = Theme::label({}, Theme::font(Theme::TextStyle::title3, QFont::Bold), this);
    sizeRow->addWidget(size_);
    sizeBlock->addStretch(1);
    sizeBlock->addLayout(sizeRow);
    auto* sizeCaption = Theme::label(tr("Application size"), Theme::font(Theme::TextStyle::caption), this);
    setSecondary(sizeCaption);
    sizeBlock->addWidget(sizeCaption, 0, Qt::AlignRight);
    sizeBlock->addStretch(1);
    header->addLayout(sizeBlock);
    layout->addLayout(header);
    layout->addWidget(Theme::divider(this));

    // Filter row.
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(20, 10, 20, 10);
    filterRow->setSpacing(8);
    filterField_ = new SearchField(tr("Filter discovered files"), this);
    filterField_->setMaximumWidth(520);
    filterRow->addWidget(filterField_, 1);
    filterRow->addStretch(0);
    selectSafe_ = new QPushButton(this);
    clear_ = new QPushButton(this);
    bindToAction(selectSafe_, selectSafeAction_);
    bindToAction(clear_, clearAction_);
    filterRow->addWidget(selectSafe_);
    filterRow->addWidget(clear_);
    layout->addLayout(filterRow);

    // Content: scanning, nothing found, or the list.
    content_ = new QStackedWidget(this);
    scanning_ = new QWidget(content_);
    auto* scanningLayout = new QVBoxLayout(scanning_);
    scanningLayout->addStretch(1);
    auto* scanningBar = spinner(scanning_, 160);
    scanningLayout->addWidget(scanningBar, 0, Qt::AlignHCenter);
    scanningText_ = Theme::label(tr("Scanning app data and leftovers\u2026"),
                                 Theme::font(Theme::TextStyle::body), scanning_);
    scanningLayout->addWidget(scanningText_, 0, Qt::AlignHCenter);
    scanningDetail_ = Theme::label({}, Theme::font(Theme::TextStyle::caption), scanning_);
    setSecondary(scanningDetail_);
    scanningLayout->addWidget(scanningDetail_, 0, Qt::AlignHCenter);
    scanningLayout->addStretch(1);
    empty_ = new EmptyState(tr("No Related Files Found"), "checkmark.shield",
                            tr("No safe matches were discovered for this application."), content_);
    auto* listPage = new QWidget(content_);
    auto* listLayout = new QVBoxLayout(listPage);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    noMatches_ = Theme::label({}, Theme::font(Theme::TextStyle::body), listPage);
    noMatches_->setObjectName(QStringLiteral("noMatches"));
    noMatches_->setAlignment(Qt::AlignCenter);
    noMatches_->setContentsMargins(20, 14, 20, 14);
    setSecondary(noMatches_);
    listLayout->addWidget(noMatches_);
    list_ = new FindingsView(*filter_, *model_, workspace, listPage);
    listLayout->addWidget(list_, 1);
    content_->addWidget(scanning_);
    content_->addWidget(empty_);
    content_->addWidget(listPage);
    layout->addWidget(content_, 1);
    layout->addWidget(Theme::divider(this));

    footer_ = new RemovalFooter(moveToTrashAction_, this);
    layout->addWidget(footer_);

    connect(filterField_, &SearchField::textEdited, this,
            [this](const QString& text) { store_.setFileSearch(text.toStdString()); });
    connect(filterField_, &SearchField::leaveRequested, this, [this] {
        if (content_->currentWidget() == list_->parentWidget()) {
            list_->setFocus(Qt::TabFocusReason);
            if (!list_->currentIndex().isValid()) {
                list_->setCurrentIndex(filter_->index(0, 0));
            }
        }
    });
    connect(selectSafeAction_, &QAction::triggered, this,
            [this] { store_.choose(ItemChoice::Command::selectSafe); });
    connect(clearAction_, &QAction::triggered, this, [this] { store_.choose(ItemChoice::Command::clear); });
    connect(moveToTrashAction_, &QAction::triggered, this, [this] {
        if (moveToTrashAction_->isEnabled()) {
            store_.requestRemoval();
        }
    });
    connect(&store_.removals(), &RemovalState::shownChanged, this, &ApplicationDetailView::refreshFooter);
    connect(filter_, &QAbstractItemModel::rowsInserted, this, &ApplicationDetailView::refreshContent);
    connect(filter_, &QAbstractItemModel::rowsRemoved, this, &ApplicationDetailView::refreshContent);
    connect(filter_, &QAbstractItemModel::modelReset, this, &ApplicationDetailView::refreshContent);
    connect(filter_, &QAbstractItemModel::layoutChanged, this, &ApplicationDetailView::refreshContent);

    const FindingsState& findings = store_.findings();
    connect(&findings, &FindingsState::selectionChanged, this, [this] {
        refreshHeader();
        refreshFooter();
    });
    connect(&store_.appList(), &AppListState::appsChanged, this, [this](const ListChange& change) {
        // The selection keeps the record it was given; the list's carries the size once it is measured.
        if (change.kind != ListChange::Kind::removed) {
            refreshHeader();
        }
    });
    connect(&icons_, &IconCache::applicationArrived, this, [this](const QString& bundle) {
        const auto& selected = store_.findings().selectedApp();
        if (selected && bundle.toStdString() == selected->url.native()) {
            refreshIcon();
        }
    });
    connect(&findings, &FindingsState::scanningChanged, this, &ApplicationDetailView::refreshContent);
    connect(&findings, &FindingsState::itemsChanged, this, [this] {
        refreshContent();
        refreshFooter();
    });
    connect(&store_.removals(), &RemovalState::busyChanged, this, &ApplicationDetailView::refreshFooter);
    // The command moves what is chosen of several applications too, whose choices it follows as well.
    connect(&store_, &CleanerStore::selectionChanged, this, &ApplicationDetailView::refreshFooter);
    connect(&store_.batch(), &BatchState::sectionChanged, this, &ApplicationDetailView::refreshFooter);
    connect(&store_.batch(), &BatchState::sectionsChanged, this, &ApplicationDetailView::refreshFooter);
    connect(&findings, &FindingsState::progressChanged, this, &ApplicationDetailView::refreshProgress);
    connect(&findings, &FindingsState::fileSearchChanged, this, [this] {
        const QString text = QString::fromStdString(store_.findings().fileSearch());
        if (filterField_->text() != text) {
            filterField_->setText(text);
        }
    });

    refreshHeader();
    refreshContent();
    refreshFooter();
    refreshProgress();
}

ApplicationDetailView::~ApplicationDetailView() = default;

QWidget* ApplicationDetailView::currentContent() const {
    QWidget* page = content_->currentWidget();
    return page == list_->parentWidget() ? list_ : page;
}

void ApplicationDetailView::refreshHeader() {
    const auto& selected = store_.findings().selectedApp();
    if (!selected) {
        return;
    }
    // The store's list carries the size once it is measured; the selection keeps the record it was given.
    std::optional<std::int64_t> size = selected->size;
    const int row = store_.appList().rowOf(selected->id());
    if (row >= 0) {
        size = store_.appList().apps()[static_cast<std::size_t>(row)].size;
    }
    const bool leftovers = store_.findings().isLeftoversMode();
    if (!leftovers) {
        icons_.requestApplication(selected->url, iconSide);
    }
    refreshIcon();
    name_->setText(QString::fromStdString(selected->name));
    protected_->setVisible(selected->isSystem);
    systemSearch_->setVisible(leftovers);
    if (leftovers) {
        subtitle_->setText(tr("Files left behind by uninstalled applications"));
    } else if (!selected->bundleID.empty()) {
        subtitle_->setText(
            tr("%1  \u2022  Version %2")
                .arg(QString::fromStdString(selected->bundleID), QString::fromStdString(selected->version)));
    } else {
        subtitle_->setText(QString::fromStdString(selected->url.string()));
    }
    sizeSpinner_->setVisible(!size);
    size_->setFont(size ? Theme::font(Theme::TextStyle::title3, QFont::Bold)
                        : Theme::font(Theme::TextStyle::caption));
    size_->setText(size ? qText(ByteFormat::string(*size)) : tr("Calculating..."));
}

void ApplicationDetailView::refreshIcon() {
    const auto& selected = store_.findings().selectedApp();
    if (!selected) {
        return;
    }
    icon_->setIcon(store_.findings().isLeftoversMode() ? Symbols::icon("trash.slash.fill")
                                                       : icons_.application(selected->url, iconSide));
}

QWidget* ApplicationDetailView::pageDue() const {
    const FindingsState& findings = store_.findings();
    return findings.isScanning() ? scanning_ : findings.items().empty() ? empty_ : list_->parentWidget();
}

void ApplicationDetailView::refreshContent() {
    const FindingsState& findings = store_.findings();
    QWidget* const page = pageDue();
    if (page != list_->parentWidget() || content_->currentWidget() == page) {
        content_->setCurrentWidget(page);
    } else if (!listShownSoon_) {
        // Showing the list lays out every row: in an event of its own, not in the one that just built
        // them, so that neither holds the window long.
        listShownSoon_ = true;
        QMetaObject::invokeMethod(this, &ApplicationDetailView::showListIfDue, Qt::QueuedConnection);
    }
    // A search that hides every finding says so, above what the bundle declares.
    // The list shows a category while it shows one of its findings. Asked at each change of the rows
    // shown: a look at the sections, not a search through every finding.
    bool showsFinding = false;
    for (int row = 0; row < filter_->rowCount() && !showsFinding; ++row) {
        showsFinding = FindingsModel::kindOf(filter_->index(row, 0)) == FindingsModel::RowKind::category;
    }
    const bool hidesAll = !findings.items().empty() && !findings.fileSearch().empty() && !showsFinding;
    if (hidesAll) {
        noMatches_->setText(
            tr("No findings match \u201C%1\u201D.").arg(QString::fromStdString(findings.fileSearch())));
    }
    noMatches_->setVisible(hidesAll);
}

void ApplicationDetailView::showListIfDue() {
    listShownSoon_ = false;
    if (pageDue() == list_->parentWidget()) {
        content_->setCurrentWidget(list_->parentWidget());
    }
}

void ApplicationDetailView::refreshProgress() {
    const ScanProgress& progress = store_.findings().progress();
    if (progress.isMeasuring()) {
        scanningDetail_->setText(
            tr("Measuring %L1 of %L2 findings").arg(progress.measured).arg(progress.toMeasure));
    } else if (progress.searched > 0) {
        scanningDetail_->setText(tr("%L1 items searched, %L2 found")
                                     .arg(static_cast<qulonglong>(progress.searched))
                                     .arg(static_cast<qulonglong>(progress.found)));
    } else {
        scanningDetail_->clear();
    }
}

void ApplicationDetailView::refreshFooter() {
    const FindingsState& findings = store_.findings();
    footer_->showChosen(findings.chosenCount(), findings.chosenBytes());

    // Why Move to Trash cannot be used now, said where the user looks for it.
    const std::optional<std::string> refusal = store_.removalRefusal();
    const bool panelShown = store_.removals().isShown();
    moveToTrashAction_->setEnabled(!refusal && !panelShown);
    if (!refusal || panelShown) {
        moveToTrashAction_->setToolTip(moveToTrashAction_->iconText());
    } else if (!refusal->empty()) {
        moveToTrashAction_->setToolTip(QString::fromStdString(*refusal));
    } else if (store_.removals().isBusy()) {
        moveToTrashAction_->setToolTip(tr("Wait until the removal or restore under way has finished."));
    } else if (store_.batch().isScanning()) {
        moveToTrashAction_->setToolTip(tr("Wait until every chosen application has been searched."));
    } else {
        moveToTrashAction_->setToolTip(tr("Choose an application or Leftovers first."));
    }

    // Select Safe chooses nothing among merely possible matches (as in Leftovers): said, not silently
    // nothing.
    const auto& items = findings.items();
    const bool anySafe = std::any_of(items.begin(), items.end(), [](const ResidualItem& item) {
        return ItemChoice::chosenAfter(ItemChoice::Command::selectSafe, item) && !item.selected;
    });
    const bool anyChosen = findings.chosenCount() > 0;
    selectSafeAction_->setEnabled(anySafe);
    selectSafeAction_->setToolTip(
        anySafe ? tr("Select every finding that is safe to remove; possible matches keep their choice.")
        : items.empty() ? tr("There are no findings to select.")
        : std::any_of(items.begin(), items.end(), [](const ResidualItem& item) { return !item.selected; })
            ? tr("Only possible matches are left unselected: check each one you want to remove.")
            : tr("Every finding is selected already."));
    clearAction_->setEnabled(anyChosen);
    clearAction_->setToolTip(anyChosen ? tr("Deselect every finding.") : tr("No finding is selected."));
}

} // namespace tarnwick
