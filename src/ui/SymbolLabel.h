#pragma once

#include <QColor>
#include <QWidget>
#include <string>

namespace tarnwick {

// A symbol on its own, drawn when painted at the pixel ratio of the screen it is on and in the colours of
// the palette it has then, so that it stays sharp when the window moves to another screen and follows a
// change between light and dark.
class SymbolLabel : public QWidget {
    Q_OBJECT

public:
    // In `color`; without one, in the secondary text colour of the widget's palette.
    SymbolLabel(std::string symbol, int side, QColor color = QColor(), QWidget* parent = nullptr);

    const std::string& symbol() const { return symbol_; }
    void setSymbol(std::string symbol);
    void setColor(QColor color);
    int side() const { return side_; }

    QSize sizeHint() const override { return {side_, side_}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string symbol_;
    int side_;
    QColor color_;
};

} // namespace tarnwick
