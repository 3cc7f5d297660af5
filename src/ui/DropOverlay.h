#pragma once

#include <QWidget>

namespace tarnwick {

// Shown over the detail pane while a file hovers over it: "Drop Application to Scan".
class DropOverlay : public QWidget {
    Q_OBJECT

public:
    explicit DropOverlay(QWidget* parent = nullptr);

    static QString text();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarnwick
