#include "ui/HistoryView.h"

#include "session/RemovalTexts.h"
#include "store/CleanerStore.h"
#include "ui/CircularCloseButton.h"
#include "ui/EmptyState.h"
#include "ui/HistoryModel.h"
#include "ui/HistoryRowDelegate.h"
#include "ui/Theme.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tarnwick {

HistoryView::HistoryView(CleanerStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , model_(new HistoryModel(store, this))
    , clearUnavailable_(new QPushButton(tr("Clear Unavailable")))
    , clearAll_(new QPushButton(tr("Clear All")))
    , close_(new CircularCloseButton(tr("Close Removal History"), false))
    , keptAside_(new QLabel)
    , body_(new QStackedWidget)
    , empty_(new EmptyState(tr("No Removal History"), "clock", tr("Removed applications will appear here.")))
    , list_(new QListView) {
    setFixedSize(panelSize);
    setAttribute(Qt::WA_TranslucentBackground);

    auto* title = new QLabel(tr("Removal History"));
    title->setFont(Theme::font(Theme::TextStyle::title2, QFont::Bold));
    auto* header = new QHBoxLayout;
    header->setContentsMargins(20, 20, 20, 20);
    header->setSpacing(10);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(clearUnavailable_);
    header->addWidget(clearAll_);
    header->addWidget(close_);

    keptAside_->setWordWrap(true);
    keptAside_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    keptAside_->setContentsMargins(20, 0, 20, 12);
    keptAside_->setFont(Theme::font(Theme::TextStyle::footnote));

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setStyleSheet(QStringLiteral("color: palette(mid);"));

    auto* delegate = new HistoryRowDelegate(list_);
    list_->setModel(model_);
    list_->setItemDelegate(delegate);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setUniformItemSizes(true);
    list_->setMouseTracking(true);
    list_->viewport()->setAutoFillBackground(false);
    list_->setAccessibleName(tr("Removals"));
    list_->setFocusPolicy(Qt::StrongFocus);
    list_->installEventFilter(this);
    // The row's button as a command of the list too, for the keyboard and for screen readers.
    auto* press = new QAction(tr("Restore"), list_);
    press->setShortcutContext(Qt::WidgetShortcut);
    list_->addAction(press);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(press, &QAction::triggered, this, [this] { model_->activate(list_->currentIndex().row()); });
    const auto followCurrent = [this, press] {
        const QModelIndex current = list_->currentIndex();
        press->setVisible(current.isValid());
        press->setText(current.data(HistoryModel::actionRole).toString());
        press->setEnabled(current.data(HistoryModel::actionEnabledRole).toBool());
    };
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, followCurrent);
    connect(model_, &QAbstractItemModel::dataChanged, this, followCurrent);
    connect(delegate, &HistoryRowDelegate::buttonPressed, this,
            [this](const QModelIndex& index) { model_->activate(index.row()); });

    body_->addWidget(empty_);
    body_->addWidget(list_);

    auto* layout = new QVBoxLayout(this);
    // Nothing reaches into the rounded corners.
    layout->setContentsMargins(0, 0, 0, cornerRadius);
    layout->setSpacing(0);
    layout->addLayout(header);
    layout->addWidget(keptAside_);
    layout->addWidget(divider);
    layout->addWidget(body_, 1);

    connect(clearUnavailable_, &QPushButton::clicked, &store_, &CleanerStore::clearUnavailableHistory);
    connect(clearAll_, &QPushButton::clicked, &store_, &CleanerStore::clearHistory);
    connect(close_, &CircularCloseButton::clicked, this, [this] { store_.setShowHistory(false); });
    connect(&store_.removals(), &RemovalState::historyChanged, this, &HistoryView::refresh);
    connect(&store_.removals(), &RemovalState::restorabilityChanged, this, &HistoryView::refresh);
    connect(&store_.removals(), &RemovalState::keptAsideChanged, this, &HistoryView::refresh);
    refresh();
}

void HistoryView::refresh() {
    QStringList notices;
    for (const std::filesystem::path& file : store_.removals().keptAside()) {
        notices.append(QString::fromStdString(RemovalTexts::keptAsideNotice(file.string())));
    }
    keptAside_->setText(notices.join(QLatin1Char('\n')));
    keptAside_->setVisible(!notices.isEmpty());
    const bool hasRecords = !store_.removals().history().empty();
    clearAll_->setVisible(hasRecords);
    clearUnavailable_->setVisible(hasRecords && store_.removals().hasUnavailable());
    body_->setCurrentWidget(hasRecords ? static_cast<QWidget*>(list_) : empty_);
}

void HistoryView::focusFirst() {
    if (model_->rowCount() == 0) {
        close_->setFocus(Qt::PopupFocusReason);
        return;
    }
    if (!list_->currentIndex().isValid()) {
        list_->setCurrentIndex(model_->index(0, 0));
    }
    list_->setFocus(Qt::PopupFocusReason);
}

bool HistoryView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            model_->activate(list_->currentIndex().row());
            return true;
        }
    }
    if (watched == list_ && event->type() == QEvent::FocusIn && !list_->currentIndex().isValid() &&
        model_->rowCount() > 0) {
        list_->setCurrentIndex(model_->index(0, 0));
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible()) {
        store_.refreshRestorability(); // back from the file browser, where the Trash may have been emptied
    }
}

void HistoryView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, palette().window());
}

} // namespace tarnwick
