#include "ui/ApplicationDetailView.h"

#include "catalogue/ByteFormat.h"
#include "store/CleanerStore.h"
#include "ui/AppIcons.h"
#include "ui/Badge.h"
#include "ui/EmptyState.h"
#include "ui/ResidualListDelegate.h"
#include "ui/ResidualListModel.h"
#include "ui/SearchField.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tarnwick {
namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

QLabel* label(const QString& text, const QFont& font, QWidget* parent) {
    auto* result = new QLabel(text, parent);
    result->setFont(font);
    return result;
}

void setSecondary(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::secondary(label));
    label->setPalette(palette);
}

QProgressBar* spinner(QWidget* parent, int width) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(width, 6);
    return bar;
}

} // namespace

ApplicationDetailView::ApplicationDetailView(CleanerStore& store, Workspace& workspace, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , model_(new ResidualListModel(store, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Header: icon, name and badges, the identity line, the size.
    auto* header = new QHBoxLayout;
    header->setContentsMargins(20, 16, 20, 14);
    header->setSpacing(14);
    icon_ = new QLabel(this);
    icon_->setFixedSize(64, 64);
    header->addWidget(icon_);
    auto* identity = new QVBoxLayout;
    identity->setSpacing(4);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(8);
    name_ = label({}, Theme::font(Theme::TextStyle::title, QFont::Bold), this);
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    protected_ = new Badge(QStringLiteral("Protected"), Theme::orange(), this);
    systemSearch_ = new Badge(QStringLiteral("System Search"), Theme::blue(), this);
    nameRow->addWidget(name_, 0);
    nameRow->addWidget(protected_);
    nameRow->addWidget(systemSearch_);
    nameRow->addStretch(1);
    identity->addStretch(1);
    identity->addLayout(nameRow);
    subtitle_ = label({}, Theme::font(Theme::TextStyle::subheadline), this);
    subtitle_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSecondary(subtitle_);
    identity->addWidget(subtitle_);
    identity->addStretch(1);
    header->addLayout(identity, 1);
    auto* sizeBlock = new QVBoxLayout;
    sizeBlock->setSpacing(2);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(6);
    sizeRow->addStretch(1);
    sizeSpinner_ = spinner(this, 28);
    sizeRow->addWidget(sizeSpinner_, 0, Qt::AlignVCenter);
    size_ = label({}, Theme::font(Theme::TextStyle::title3, QFont::Bold), this);
    sizeRow->addWidget(size_);
    sizeBlock->addStretch(1);
    sizeBlock->addLayout(sizeRow);
    auto* sizeCaption =
        label(QStringLiteral("Application size"), Theme::font(Theme::TextStyle::caption), this);
    setSecondary(sizeCaption);
    sizeBlock->addWidget(sizeCaption, 0, Qt::AlignRight);
    sizeBlock->addStretch(1);
    header->addLayout(sizeBlock);
    layout->addLayout(header);
    layout->addWidget(divider(this));

    // Filter row.
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(20, 10, 20, 10);
    filter_ = new SearchField(QStringLiteral("Filter discovered files"), this);
    filter_->setMaximumWidth(520);
    filterRow->addWidget(filter_, 1);
    filterRow->addStretch(0);
    selectSafe_ = new QPushButton(QStringLiteral("Select Safe"), this);
    clear_ = new QPushButton(QStringLiteral("Clear"), this);
    selectSafe_->setAccessibleName(selectSafe_->text());
    clear_->setAccessibleName(clear_->text());
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
    scanningText_ = label(QStringLiteral("Scanning app data and leftovers\u2026"),
                          Theme::font(Theme::TextStyle::body), scanning_);
    scanningLayout->addWidget(scanningText_, 0, Qt::AlignHCenter);
    scanningDetail_ = label({}, Theme::font(Theme::TextStyle::caption), scanning_);
    setSecondary(scanningDetail_);
    scanningLayout->addWidget(scanningDetail_, 0, Qt::AlignHCenter);
    scanningLayout->addStretch(1);
    empty_ =
        new EmptyState(QStringLiteral("No Related Files Found"), "checkmark.shield",
                       QStringLiteral("No safe matches were discovered for this application."), content_);
    list_ = new QListView(content_);
    list_->setModel(model_);
    delegate_ = new ResidualListDelegate(*model_, workspace, *list_);
    list_->setItemDelegate(delegate_);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows are as wide as the list: laid out again when the vertical scroll bar takes its room.
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setResizeMode(QListView::Adjust);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setMouseTracking(true);
    list_->setUniformItemSizes(false);
    // Ten thousand rows are laid out a few hundred at a time, so that the window keeps answering.
    list_->setLayoutMode(QListView::Batched);
    list_->setBatchSize(500);
    list_->setAccessibleName(QStringLiteral("Discovered files"));
    list_->installEventFilter(this);
    content_->addWidget(scanning_);
    content_->addWidget(empty_);
    content_->addWidget(list_);
    layout->addWidget(content_, 1);
    layout->addWidget(divider(this));

    // Footer.
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(20, 10, 20, 12);
    footer->setSpacing(8);
    auto* shield = new QLabel(this);
    shield->setPixmap(Symbols::pixmap("shield.checkered", 16, Theme::green(), devicePixelRatioF()));
    footer->addWidget(shield);
    auto* promise =
        label(QStringLiteral("Items are reviewed first and moved to Trash \u2014 never permanently deleted."),
              Theme::font(Theme::TextStyle::caption), this);
    promise->setWordWrap(true);
    footer->addWidget(promise, 1);
    auto* summary = new QVBoxLayout;
    summary->setSpacing(0);
    selectedCount_ = label({}, Theme::font(Theme::TextStyle::caption), this);
    selectedSize_ = label({}, Theme::font(Theme::TextStyle::body, QFont::DemiBold), this);
    summary->addWidget(selectedCount_, 0, Qt::AlignRight);
    summary->addWidget(selectedSize_, 0, Qt::AlignRight);
    footer->addLayout(summary);
    moveToTrash_ = new QPushButton(Symbols::icon("trash"), QStringLiteral("Move to Trash"), this);
    moveToTrash_->setAccessibleName(moveToTrash_->text());
    moveToTrash_->setDefault(false);
    moveToTrash_->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; "
                                               "border-radius: 6px; padding: 6px 14px; font-weight: 600; }"
                                               "QPushButton:disabled { background-color: %2; color: %3; }")
                                    .arg(Theme::red().name(),
                                         Theme::withOpacity(Theme::red(), 0.35).name(QColor::HexArgb),
                                         QColor(255, 255, 255, 200).name(QColor::HexArgb)));
    footer->addWidget(moveToTrash_);
    layout->addLayout(footer);

    connect(filter_, &SearchField::textEdited, this,
            [this](const QString& text) { store_.setFileSearch(text.toStdString()); });
    connect(selectSafe_, &QPushButton::clicked, this, [this] { store_.setAll(true); });
    connect(clear_, &QPushButton::clicked, this, [this] { store_.setAll(false); });
    connect(moveToTrash_, &QPushButton::clicked, this, [this] { store_.requestRemoval(); });

    connect(&store_, &CleanerStore::selectedAppChanged, this, [this] {
        refreshHeader();
        refreshFooter();
    });
    connect(&store_, &CleanerStore::appsChanged, this, &ApplicationDetailView::refreshHeader);
    connect(&store_, &CleanerStore::isLeftoversModeChanged, this, &ApplicationDetailView::refreshHeader);
    connect(&store_, &CleanerStore::isScanningChanged, this, &ApplicationDetailView::refreshContent);
    connect(&store_, &CleanerStore::residualsChanged, this, [this] {
        refreshContent();
        refreshFooter();
    });
    connect(&store_, &CleanerStore::isRemovingChanged, this, &ApplicationDetailView::refreshFooter);
    connect(&store_, &CleanerStore::scanProgressChanged, this, &ApplicationDetailView::refreshProgress);
    connect(&store_, &CleanerStore::fileSearchChanged, this, [this] {
        const QString text = QString::fromStdString(store_.fileSearch());
        if (filter_->text() != text) {
            filter_->setText(text);
        }
    });

    refreshHeader();
    refreshContent();
    refreshFooter();
    refreshProgress();
}

ApplicationDetailView::~ApplicationDetailView() = default;

QWidget* ApplicationDetailView::currentContent() const {
    return content_->currentWidget();
}

void ApplicationDetailView::refreshHeader() {
    const auto& selected = store_.selectedApp();
    if (!selected) {
        return;
    }
    // The store's list carries the size once it is measured; the selection keeps the record it was given.
    std::optional<std::int64_t> size = selected->size;
    for (const InstalledApp& app : store_.apps()) {
        if (app.id() == selected->id()) {
            size = app.size;
            break;
        }
    }
    const bool leftovers = store_.isLeftoversMode();
    icon_->setPixmap(
        leftovers ? Symbols::pixmap("trash.slash.fill", 64, Theme::secondary(this), devicePixelRatioF())
                  : AppIcons::application(selected->url).pixmap(64, 64));
    name_->setText(QString::fromStdString(selected->name));
    protected_->setVisible(selected->isSystem);
    systemSearch_->setVisible(leftovers);
    if (leftovers) {
        subtitle_->setText(QStringLiteral("Files left behind by uninstalled applications"));
    } else if (!selected->bundleID.empty()) {
        subtitle_->setText(QString::fromStdString(selected->bundleID) + QStringLiteral("  \u2022  Version ") +
                           QString::fromStdString(selected->version));
    } else {
        subtitle_->setText(QString::fromStdString(selected->url.string()));
    }
    sizeSpinner_->setVisible(!size);
    size_->setFont(size ? Theme::font(Theme::TextStyle::title3, QFont::Bold)
                        : Theme::font(Theme::TextStyle::caption));
    size_->setText(size ? qText(ByteFormat::string(*size)) : QStringLiteral("Calculating..."));
}

void ApplicationDetailView::refreshContent() {
    if (store_.isScanning()) {
        content_->setCurrentWidget(scanning_);
    } else if (store_.residuals().empty()) {
        content_->setCurrentWidget(empty_);
    } else {
        content_->setCurrentWidget(list_);
    }
}

void ApplicationDetailView::refreshProgress() {
    const ScanProgress& progress = store_.scanProgress();
    if (progress.isMeasuring()) {
        scanningDetail_->setText(
            QStringLiteral("Measuring %1 of %2 findings").arg(progress.measured).arg(progress.toMeasure));
    } else if (progress.searched > 0) {
        scanningDetail_->setText(QStringLiteral("%1 items searched, %2 found")
                                     .arg(QLocale().toString(static_cast<qulonglong>(progress.searched)))
                                     .arg(QLocale().toString(static_cast<qulonglong>(progress.found))));
    } else {
        scanningDetail_->clear();
    }
}

void ApplicationDetailView::refreshFooter() {
    // Counted here rather than through copies of the chosen items: the list may hold thousands.
    int count = 0;
    std::int64_t bytes = 0;
    for (const ResidualItem& item : store_.residuals()) {
        if (item.selected) {
            ++count;
            bytes = addedSize(bytes, item.size);
        }
    }
    selectedCount_->setText(QStringLiteral("%1 selected").arg(count));
    selectedSize_->setText(qText(ByteFormat::string(bytes)));
    const bool system = store_.selectedApp() && store_.selectedApp()->isSystem;
    moveToTrash_->setEnabled(count > 0 && !system && !store_.isRemoving());
}

bool ApplicationDetailView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (handleKey(key->key())) {
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Space chooses, Return or Right opens, Left closes: the list is usable without a pointer.
bool ApplicationDetailView::handleKey(int key) {
    const QModelIndex current = list_->currentIndex();
    if (!current.isValid()) {
        return false;
    }
    using Kind = ResidualListModel::RowKind;
    using Part = ResidualListDelegate::Part;
    const Kind kind = model_->kind(current.row());
    const bool expanded = current.data(ResidualListModel::expandedRole).toBool();
    const bool collapsed = current.data(ResidualListModel::collapsedRole).toBool();
    const bool opens = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Right;
    const int row = current.row();
    Part part = Part::none;
    if (key == Qt::Key_Space) {
        part = kind == Kind::residual         ? Part::checkbox
               : kind == Kind::categoryHeader ? Part::sectionSelection
                                              : Part::none;
    } else if (opens || key == Qt::Key_Left) {
        const bool wantsOpen = key != Qt::Key_Left;
        if (kind == Kind::residual && expanded != wantsOpen) {
            part = Part::expand;
        } else if (kind == Kind::categoryHeader && collapsed == wantsOpen) {
            part = Part::sectionCollapse;
        } else if (kind == Kind::informationHeader && collapsed == wantsOpen) {
            part = Part::informationToggle;
        }
    }
    if (part == Part::none) {
        return key == Qt::Key_Space;
    }
    delegate_->activate(current, part);
    // A rebuilt list keeps the keyboard where it was.
    list_->setCurrentIndex(model_->index(std::min(row, model_->rowCount() - 1)));
    return true;
}

} // namespace tarnwick
