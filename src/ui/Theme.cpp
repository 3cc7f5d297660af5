#include "ui/Theme.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace tarnwick {

namespace {

qreal pointSize(Theme::TextStyle style) {
    switch (style) {
    case Theme::TextStyle::caption:
        return 10;
    case Theme::TextStyle::footnote:
        return 10.5;
    case Theme::TextStyle::subheadline:
        return 11;
    case Theme::TextStyle::body:
        return 13;
    case Theme::TextStyle::title3:
        return 15;
    case Theme::TextStyle::title2:
        return 17;
    case Theme::TextStyle::title:
        return 22;
    }
    return 13;
}

} // namespace

QFont Theme::font(TextStyle style, QFont::Weight weight) {
    return font(pointSize(style), weight);
}

QFont Theme::font(qreal size, QFont::Weight weight) {
    QFont font = QApplication::font();
    // A Mac's point is one logical pixel; elsewhere a point is 4/3 of one, which would make every text a
    // third larger than designed.
    font.setPixelSize(qMax(1, qRound(size)));
    font.setWeight(weight);
    return font;
}

QColor Theme::blue() {
    return QColor(0, 122, 255);
}

QColor Theme::green() {
    return QColor(40, 167, 69);
}

QColor Theme::orange() {
    return QColor(255, 149, 0);
}

QColor Theme::red() {
    return QColor(255, 59, 48);
}

QColor Theme::primary(const QWidget* widget) {
    return (widget != nullptr ? widget->palette() : QApplication::palette()).color(QPalette::WindowText);
}

QColor Theme::secondary(const QWidget* widget) {
    return withOpacity(primary(widget), 0.55);
}

void Theme::useSecondaryText(QWidget* widget) {
    widget->setForegroundRole(QPalette::PlaceholderText);
}

QColor Theme::withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

QLabel* Theme::label(const QString& text, const QFont& font, QWidget* parent) {
    auto* result = new QLabel(text, parent);
    result->setFont(font);
    return result;
}

QFrame* Theme::divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

Theme::Header Theme::header(QWidget* leading) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 16, 20, 14);
    row->setSpacing(14);
    row->addWidget(leading);
    auto* identity = new QVBoxLayout;
    identity->setSpacing(4);
    row->addLayout(identity, 1);
    return {row, identity};
}

} // namespace tarnwick
