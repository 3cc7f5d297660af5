#include "ui/UndoNotice.h"

#include "store/CleanerStore.h"
#include "ui/CircularCloseButton.h"
#include "ui/SymbolLabel.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>

namespace tarnwick {

UndoNotice::UndoNotice(CleanerStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , text_(new QLabel(this))
    , undo_(new QPushButton(tr("Undo"), this))
    , close_(new CircularCloseButton(tr("Dismiss"), false, this))
    , timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("undoNotice"));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 10, 8);
    layout->setSpacing(10);
    layout->addWidget(new SymbolLabel("trash", 16, QColor(), this));
    text_->setFont(Theme::font(Theme::TextStyle::body, QFont::Medium));
    layout->addWidget(text_, 1);
    undo_->setAccessibleName(tr("Undo"));
    undo_->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(undo_);
    layout->addWidget(close_);
    timer_->setSingleShot(true);
    timer_->setInterval(shownMilliseconds);

    connect(undo_, &QPushButton::clicked, &store_, &CleanerStore::undoRemoval);
    connect(close_, &QAbstractButton::clicked, this, &QWidget::hide);
    connect(timer_, &QTimer::timeout, this, &QWidget::hide);
    connect(&store_.removals(), &RemovalState::undoableChanged, this, &UndoNotice::follow);
    // The history panel, which holds the window while it shows, offers the same removal's Restore.
    connect(&store_.removals(), &RemovalState::shownChanged, this, [this] {
        if (store_.removals().isShown()) {
            hide();
        }
    });
    connect(&store_.removals(), &RemovalState::busyChanged, this,
            [this] { undo_->setEnabled(!store_.removals().isBusy()); });
    hide();
}

QString UndoNotice::text() const {
    return text_->text();
}

QSize UndoNotice::sizeHint() const {
    return QWidget::sizeHint().expandedTo(QSize(360, 0));
}

void UndoNotice::follow() {
    const auto& undoable = store_.removals().undoable();
    if (undoable.empty()) {
        hide();
        return;
    }
    std::size_t count = 0;
    for (const RemovalRecord& record : undoable) {
        count += record.items.size();
    }
    text_->setText(tr("Moved %Ln item(s) to the Trash.", nullptr, static_cast<int>(count)));
    setAccessibleName(text_->text());
    adjustSize();
    show();
    raise();
    timer_->start();
}

void UndoNotice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(plate, palette().window());
    painter.fillPath(plate, Theme::withOpacity(Theme::primary(this), 0.06));
    painter.setPen(QPen(Theme::withOpacity(Theme::primary(this), 0.18), 1));
    painter.drawPath(plate);
}

} // namespace tarnwick
