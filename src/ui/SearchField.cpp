#include "ui/SearchField.h"

#include "ui/SymbolLabel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace tarnwick {

namespace {

constexpr int symbolSide = 14;

} // namespace

SearchField::SearchField(const QString& prompt, QWidget* parent)
    : QWidget(parent)
    , glass_(new SymbolLabel("magnifyingglass", symbolSide, QColor(), this))
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
    edit_->installEventFilter(this);
    layout->addWidget(edit_, 1);
    clear_->setAutoRaise(true);
    clear_->setCursor(Qt::ArrowCursor);
    clear_->setAccessibleName(tr("Clear Search"));
    clear_->setToolTip(tr("Clear Search"));
    clear_->setFocusPolicy(Qt::NoFocus);
    clear_->setIcon(Symbols::icon("xmark.circle.fill"));
    clear_->setIconSize(QSize(symbolSide, symbolSide));
    clear_->setFixedSize(symbolSide + 4, symbolSide + 4);
    // The button's room is kept while it is hidden: the field does not change size as the user types.
    QSizePolicy kept = clear_->sizePolicy();
    kept.setRetainSizeWhenHidden(true);
    clear_->setSizePolicy(kept);
    clear_->setVisible(false);
    layout->addWidget(clear_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { clear_->setVisible(!text.isEmpty()); });
    connect(edit_, &QLineEdit::textEdited, this, &SearchField::textEdited);
    connect(clear_, &QToolButton::clicked, this, &SearchField::clear);
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

void SearchField::clear() {
    edit_->clear();
    emit textEdited(QString());
}

bool SearchField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
        if (plain && key->key() == Qt::Key_Escape && !edit_->text().isEmpty()) {
            clear();
            return true;
        }
        if (plain &&
            (key->key() == Qt::Key_Down || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            emit leaveRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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

} // namespace tarnwick
