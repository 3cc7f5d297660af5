#include "ui/HistoryOverlay.h"

#include "store/CleanerStore.h"
#include "ui/HistoryView.h"

#include <QApplication>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace tarnwick {

namespace {

constexpr int animationMilliseconds = 200;
constexpr qreal scrimOpacity = 0.4;
constexpr qreal startScale = 0.95;
constexpr qreal shadowOpacity = 0.2;
constexpr int shadowRadius = 20;
constexpr int shadowOffset = 10;

} // namespace

HistoryOverlay::HistoryOverlay(CleanerStore& store, QWidget* window)
    : QWidget(window)
    , store_(store)
    , view_(new HistoryView(store, this))
    , animation_(new QVariantAnimation(this)) {
    setAccessibleName(tr("Removal History"));
    setFocusPolicy(Qt::StrongFocus);
    auto* fade = new QGraphicsOpacityEffect(view_);
    view_->setGraphicsEffect(fade);
    animation_->setDuration(animationMilliseconds);
    animation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setProgress(value.toReal()); });
    connect(animation_, &QVariantAnimation::finished, this, [this] {
        if (!store_.removals().isShown()) {
            hide();
        }
    });
    connect(&store_.removals(), &RemovalState::shownChanged, this, &HistoryOverlay::follow);

    window->installEventFilter(this);
    setGeometry(window->rect());
    hide();
}

void HistoryOverlay::follow() {
    const bool shown = store_.removals().isShown();
    if (shown == isVisible() && animation_->state() == QAbstractAnimation::Stopped) {
        return;
    }
    if (shown) {
        view_->refresh();
        show();
        raise();
        view_->focusFirst();
    }
    animation_->stop();
    animation_->setStartValue(progress_);
    animation_->setEndValue(shown ? 1.0 : 0.0);
    animation_->start();
}

bool HistoryOverlay::focusNextPrevChild(bool next) {
    QList<QWidget*> controls;
    for (QWidget* widget = nextInFocusChain(); widget != this; widget = widget->nextInFocusChain()) {
        if (isAncestorOf(widget) && widget->isVisible() && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            controls.append(widget);
        }
    }
    if (controls.isEmpty()) {
        setFocus(Qt::TabFocusReason);
        return true;
    }
    const qsizetype current = controls.indexOf(QApplication::focusWidget());
    const qsizetype count = controls.size();
    const qsizetype target =
        current < 0 ? (next ? 0 : count - 1) : (current + (next ? 1 : count - 1)) % count;
    controls[target]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void HistoryOverlay::setProgress(qreal progress) {
    progress_ = progress;
    static_cast<QGraphicsOpacityEffect*>(view_->graphicsEffect())->setOpacity(progress);
    view_->setGeometry(panelRect());
    update();
}

QRect HistoryOverlay::panelRect() const {
    const qreal scale = startScale + (1 - startScale) * progress_;
    const QSizeF size = QSizeF(HistoryView::panelSize) * scale;
    const QPointF topLeft = QPointF(rect().center()) - QPointF(size.width(), size.height()) / 2;
    return QRectF(topLeft, size).toRect();
}

bool HistoryOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        view_->setGeometry(panelRect());
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, static_cast<int>(255 * scrimOpacity * progress_)));

    // A soft shadow below the panel: rings of falling opacity around its shape, moved down.
    const QRectF panel = QRectF(panelRect()).translated(0, shadowOffset);
    for (int ring = shadowRadius; ring > 0; ring -= 2) {
        const qreal weight = 1.0 - static_cast<qreal>(ring) / shadowRadius;
        QPainterPath shape;
        shape.addRoundedRect(panel.adjusted(-ring / 2.0, -ring / 2.0, ring / 2.0, ring / 2.0),
                             HistoryView::cornerRadius + ring / 2.0, HistoryView::cornerRadius + ring / 2.0);
        painter.fillPath(shape,
                         QColor(0, 0, 0, static_cast<int>(255 * shadowOpacity * progress_ * weight / 6)));
    }
}

void HistoryOverlay::mousePressEvent(QMouseEvent* event) {
    if (!panelRect().contains(event->position().toPoint())) {
        store_.setShowHistory(false);
    }
    event->accept();
}

void HistoryOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        store_.setShowHistory(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tarnwick
