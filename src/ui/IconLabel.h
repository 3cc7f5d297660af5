#pragma once

#include <QIcon>
#include <QWidget>

namespace tarnwick {

// An icon on its own, drawn when painted at the pixel ratio of the screen it is on, never a picture made
// once for the screen the window happened to open on.
class IconLabel : public QWidget {
    Q_OBJECT

public:
    IconLabel(int side, QWidget* parent = nullptr);

    const QIcon& icon() const { return icon_; }
    void setIcon(QIcon icon);

    QSize sizeHint() const override { return {side_, side_}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int side_;
    QIcon icon_;
};

} // namespace tarnwick
