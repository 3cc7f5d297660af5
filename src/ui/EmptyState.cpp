#include "ui/EmptyState.h"

#include "ui/SymbolLabel.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

constexpr int symbolSide = 48;

} // namespace

EmptyState::EmptyState(const QString& title, std::string symbol, const QString& message, QWidget* parent)
    : QWidget(parent)
    , symbolLabel_(new SymbolLabel(symbol, symbolSide, QColor(), this))
    , titleLabel_(new QLabel(this))
    , messageLabel_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 30, 30, 30);
    layout->setSpacing(12);
    layout->addStretch(1);
    layout->addWidget(symbolLabel_, 0, Qt::AlignHCenter);
    titleLabel_->setObjectName("emptyStateTitle");
    titleLabel_->setFont(Theme::font(Theme::TextStyle::title2, QFont::Bold));
    titleLabel_->setAlignment(Qt::AlignCenter);
    layout->addWidget(titleLabel_);
    messageLabel_->setObjectName("emptyStateMessage");
    messageLabel_->setAlignment(Qt::AlignCenter);
    messageLabel_->setWordWrap(true);
    Theme::useSecondaryText(messageLabel_);
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
    symbolLabel_->setSymbol(symbol_);
}

QString EmptyState::title() const {
    return titleLabel_->text();
}

QString EmptyState::message() const {
    return messageLabel_->text();
}

} // namespace tarnwick
