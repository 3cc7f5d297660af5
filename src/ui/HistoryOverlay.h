#pragma once

#include <QWidget>

class QVariantAnimation;

namespace tarnwick {

class CleanerStore;
class HistoryView;

// The history panel's layer over the whole window: a dimmed backdrop with the panel in the middle,
// faded and scaled in and out. It shows while the store says so; a click on the backdrop or Escape closes
// it, and while it shows it holds the keyboard.
class HistoryOverlay : public QWidget {
    Q_OBJECT

public:
    // Covers `window` entirely and follows its size.
    HistoryOverlay(CleanerStore& store, QWidget* window);

    HistoryView* view() const { return view_; }
    // How far the panel has come in, 0 (hidden) to 1 (shown).
    qreal progress() const { return progress_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab and Backtab go round the panel's controls only: the window behind the backdrop takes no keys.
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void follow();
    void setProgress(qreal progress);
    QRect panelRect() const;

    CleanerStore& store_;
    HistoryView* view_;
    QVariantAnimation* animation_;
    qreal progress_ = 0;
};

} // namespace tarnwick
