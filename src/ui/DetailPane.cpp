#include "ui/DetailPane.h"

#include "store/CleanerStore.h"
#include "ui/DropOverlay.h"
#include "ui/EmptyState.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tarnwick {

DetailPane::DetailPane(CleanerStore& store, QWidget* applicationView, QWidget* batchView, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , stack_(new QStackedWidget(this))
    , empty_(new EmptyState(tr("Select an Application"), "app.dashed",
                            tr("Choose an app from the sidebar or drop an .app bundle here."), this))
    , application_(applicationView)
    , batch_(batchView)
    , preview_(new QWidget(this))
    , overlay_(new DropOverlay(this)) {
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    stack_->addWidget(empty_);
    stack_->addWidget(application_);
    stack_->addWidget(batch_);
    stack_->addWidget(preview_);
    overlay_->hide();

    connect(&store_.appList(), &AppListState::filterChanged, this, &DetailPane::refresh);
    connect(&store_, &CleanerStore::selectionChanged, this, &DetailPane::refresh);
    refresh();
}

QWidget* DetailPane::currentContent() const {
    return stack_->currentWidget();
}

void DetailPane::setPreview(QWidget* preview) {
    const bool shown = stack_->currentWidget() == preview_;
    stack_->removeWidget(preview_);
    preview_->deleteLater();
    preview_ = preview;
    stack_->addWidget(preview_);
    if (shown) {
        stack_->setCurrentWidget(preview_);
    }
}

void DetailPane::refresh() {
    QWidget* shown = empty_;
    if (store_.appList().filter() != AppListFilter::apps) {
        shown = preview_;
    } else if (store_.findings().selectedApp()) {
        shown = application_;
    } else if (!store_.batch().isEmpty()) {
        shown = batch_;
    }
    stack_->setCurrentWidget(shown);
    overlay_->raise();
}

std::optional<std::filesystem::path> DetailPane::droppedLocation(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) {
        return std::nullopt;
    }
    return std::filesystem::path(urls.first().toLocalFile().toStdString());
}

void DetailPane::takeDropsOn(QWidget* other) {
    other->setAcceptDrops(true);
    other->installEventFilter(this);
}

bool DetailPane::eventFilter(QObject* watched, QEvent* event) {
    // Handled here, not sent on: the drag manager delivers a drag's later events to the widget it entered.
    switch (event->type()) {
    case QEvent::DragEnter:
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
        return true;
    case QEvent::DragMove:
        dragMoveEvent(static_cast<QDragMoveEvent*>(event));
        return true;
    case QEvent::DragLeave:
        dragLeaveEvent(static_cast<QDragLeaveEvent*>(event));
        return true;
    case QEvent::Drop:
        dropEvent(static_cast<QDropEvent*>(event));
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void DetailPane::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedLocation(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropTargeted(true);
}

void DetailPane::dragMoveEvent(QDragMoveEvent* event) {
    if (dropTargeted_) {
        event->acceptProposedAction();
    }
}

void DetailPane::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropTargeted(false);
    QWidget::dragLeaveEvent(event);
}

void DetailPane::dropEvent(QDropEvent* event) {
    setDropTargeted(false);
    if (event->mimeData()->urls().isEmpty()) {
        event->ignore();
        return;
    }
    // Accepted at once; the store hears of it after the drag has ended. Only the first item counts, and
    // one that is no file location is dropped without a word.
    event->acceptProposedAction();
    const auto location = droppedLocation(*event->mimeData());
    if (!location) {
        return;
    }
    QTimer::singleShot(0, this, [this, location = *location] { store_.selectDroppedApp(location); });
}

void DetailPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    overlay_->setGeometry(rect());
}

void DetailPane::setDropTargeted(bool targeted) {
    dropTargeted_ = targeted;
    overlay_->setGeometry(rect());
    overlay_->setVisible(targeted);
    if (targeted) {
        overlay_->raise();
    }
}

} // namespace tarnwick
