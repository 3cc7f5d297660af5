#pragma once

#include <QColor>
#include <QFont>

class QFrame;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QWidget;

namespace tarnwick {

// The window's text styles and accent colours, sized as a Mac shows them (a point is a logical pixel), so
// that every view draws with the same few fonts and colours.
class Theme {
public:
    enum class TextStyle { caption, footnote, subheadline, body, title3, title2, title };

    // The application font at the style's size, with `weight`.
    static QFont font(TextStyle style, QFont::Weight weight = QFont::Normal);
    // The application font at an explicit point size.
    static QFont font(qreal pointSize, QFont::Weight weight = QFont::Normal);

    static QColor blue();
    static QColor green();
    static QColor orange();
    static QColor red();
    // Text of lesser importance, derived from the widget's own text colour so that it follows the palette.
    static QColor secondary(const QWidget* widget);
    // The widget's ordinary text colour.
    static QColor primary(const QWidget* widget);
    // Has `widget` draw its text in the palette's secondary text colour, whatever palette it gets later.
    static void useSecondaryText(QWidget* widget);
    // `color` with its alpha set to `opacity` (0..1).
    static QColor withOpacity(QColor color, qreal opacity);

    // A label in `font`, as the details and their footer make them.
    static QLabel* label(const QString& text, const QFont& font, QWidget* parent);
    // The thin line between a view's header, its content and its footer.
    static QFrame* divider(QWidget* parent);

    // A detail view's header row: `leading` (its icon) and beside it the column for the title and the
    // lines below it, which the view fills.
    struct Header {
        QHBoxLayout* row;
        QVBoxLayout* identity;
    };
    static Header header(QWidget* leading);
};

} // namespace tarnwick
