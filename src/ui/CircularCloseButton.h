#pragma once

#include <QAbstractButton>

namespace tarnwick {

// A round close button. `subtle` draws only the cross until the pointer hovers; otherwise a small
// filled circle is always visible.
class CircularCloseButton : public QAbstractButton {
    Q_OBJECT

public:
    CircularCloseButton(const QString& help, bool subtle, QWidget* parent = nullptr);

    bool isSubtle() const { return subtle_; }
    bool isHovering() const { return hovering_; }
    // The opacity of the circle behind the cross, as now drawn.
    qreal circleOpacity() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    bool subtle_;
    bool hovering_ = false;
};

} // namespace tarnwick
