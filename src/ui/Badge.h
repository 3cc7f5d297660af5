#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QPainter;

namespace tarnwick {

// A short word ("Protected", "exact") in bold small type on a capsule tinted with its colour. Delegates
// paint it with `paint`; the widget is for places with ordinary layouts.
class Badge : public QWidget {
    Q_OBJECT

public:
    Badge(const QString& text, const QColor& color, QWidget* parent = nullptr);

    QString text() const { return text_; }
    QColor color() const { return color_; }
    void setText(const QString& text);
    void setColor(const QColor& color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The room the badge takes, capsule included.
    static QSize sizeFor(const QString& text);
    // Draws the badge with its top-left corner at `topLeft`; returns the rectangle it covers.
    static QRect paint(QPainter& painter, const QPoint& topLeft, const QString& text, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
};

} // namespace tarnwick
