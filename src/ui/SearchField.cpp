#include "ui/SearchField.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace tarnwick {

SearchField::SearchField(const QString& prompt, QWidget* parent)
    : QWidget(parent)
    , glass_(new QLabel(this))
    , edit_(new QLineEdit(this))
    , clear_(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 5, 6, 5);
    layout->setSpacing(6);
    layout->addWidget(glass_);
    edit_->setFrame(false);
    edit_->setPlaceholderText(prompt);
    edit_->setAccessibleName(prompt);
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    edit_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    layout->addWidget(edit_, 1);
    clear_->setAutoRaise(true);
    clear_->setCursor(Qt::ArrowCursor);
    clear_->setAccessibleName(tr("Clear Search"));
    clear_->setFocusPolicy(Qt::NoFocus);
    clear_->setVisible(false);
    layout->addWidget(clear_);
    refreshSymbols();

    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { clear_->setVisible(!text.isEmpty()); });
    connect(edit_, &QLineEdit::textEdited, this, &SearchField::textEdited);
    connect(clear_, &QToolButton::clicked, this, [this] {
        edit_->clear();
        emit textEdited(QString());
    });
}

QString SearchField::text() const {
    return edit_->text();
}

void SearchField::setText(const QString& text) {
    if (edit_->text() != text) {
        edit_->setText(text);
    }
}

QString SearchField::prompt() const {
    return edit_->placeholderText();
}

void SearchField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    painter.fillPath(shape, Theme::withOpacity(Theme::primary(this), 0.06));
    painter.setPen(QPen(Theme::withOpacity(Theme::primary(this), 0.1), 1));
    painter.drawPath(shape);
}

void SearchField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        refreshSymbols();
    }
}

void SearchField::refreshSymbols() {
    const QColor secondary = Theme::secondary(this);
    glass_->setPixmap(Symbols::pixmap("magnifyingglass", 14, secondary, devicePixelRatioF()));
    clear_->setIcon(QIcon(Symbols::pixmap("xmark.circle.fill", 14, secondary, devicePixelRatioF())));
    clear_->setIconSize(QSize(14, 14));
}

} // namespace tarnwick
