#include "ui/EmptyState.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

constexpr int symbolSide = 48;

} // namespace

EmptyState::EmptyState(const QString& title, std::string symbol, const QString& message, QWidget* parent)
    : QWidget(parent)
    , symbolLabel_(new QLabel(this))
    , titleLabel_(new QLabel(this))
    , messageLabel_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 30, 30, 30);
    layout->setSpacing(12);
    layout->addStretch(1);
    symbolLabel_->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbolLabel_);
    titleLabel_->setObjectName("emptyStateTitle");
    titleLabel_->setFont(Theme::font(Theme::TextStyle::title2, QFont::Bold));
    titleLabel_->setAlignment(Qt::AlignCenter);
    layout->addWidget(titleLabel_);
    messageLabel_->setObjectName("emptyStateMessage");
    messageLabel_->setAlignment(Qt::AlignCenter);
    messageLabel_->setWordWrap(true);
    layout->addWidget(messageLabel_);
    layout->addStretch(1);
    setContent(title, std::move(symbol), message);
}

void EmptyState::setContent(const QString& title, std::string symbol, const QString& message) {
    symbol_ = std::move(symbol);
    titleLabel_->setText(title);
    messageLabel_->setText(message);
    setAccessibleName(title);
    setAccessibleDescription(message);
    refreshSymbol();
}

QString EmptyState::title() const {
    return titleLabel_->text();
}

QString EmptyState::message() const {
    return messageLabel_->text();
}

void EmptyState::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        refreshSymbol();
    }
}

void EmptyState::refreshSymbol() {
    const QColor secondary = Theme::secondary(this);
    symbolLabel_->setPixmap(Symbols::pixmap(symbol_, symbolSide, secondary, devicePixelRatioF()));
    QPalette palette = messageLabel_->palette();
    palette.setColor(QPalette::WindowText, secondary);
    messageLabel_->setPalette(palette);
}

} // namespace tarnwick
