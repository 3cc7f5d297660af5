#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <span>
#include <string_view>

namespace tarnwick {

// The one table from the product's symbol names ("magnifyingglass", "app.badge.checkmark", ...) to icons:
// the system's own symbols on a Mac, the freedesktop icon theme elsewhere, with Breeze as the fallback
// theme so that a machine without a desktop still draws every symbol. Symbols are drawn from the scalable
// source at the size and pixel ratio they are drawn at, in one colour, always the same outline design.
class Symbols {
public:
    // Every symbol name the window draws.
    static std::span<const std::string_view> names();
    static bool isKnown(std::string_view name);

    // The symbol as an icon drawn in the text colour of the palette it is painted with, at whatever size it
    // is asked for, so that it follows a change to dark and back; with `color`, always in that colour.
    // Null for a name outside the table or one no installed theme has.
    static QIcon icon(std::string_view name, const QColor& color = QColor());

    // The freedesktop theme's icon `themeName` (Breeze when the desktop has no theme); null when missing.
    static QIcon themeIcon(const QString& themeName);

    // The symbol drawn in a single colour in a square of `side` device-independent pixels, as symbols
    // are drawn on a Mac. Cached: delegates may ask for it on every paint.
    static QPixmap pixmap(std::string_view name, int side, const QColor& color, qreal devicePixelRatio = 1.0);
};

} // namespace tarnwick
