#pragma once

#include <QWidget>
#include <filesystem>
#include <optional>

class QMimeData;
class QStackedWidget;

namespace tarnwick {

class CleanerStore;
class DropOverlay;
class EmptyState;

// The right column: the chosen application's details, or what to do when nothing is chosen, or the
// preview of a Pro mode. In every state it takes a dropped application bundle.
class DetailPane : public QWidget {
    Q_OBJECT

public:
    // `applicationView` shows the chosen application, `batchView` several chosen together; the pane takes
    // them.
    DetailPane(CleanerStore& store, QWidget* applicationView, QWidget* batchView, QWidget* parent = nullptr);

    // Whether a drag carrying a file location hovers over the pane now.
    bool isDropTargeted() const { return dropTargeted_; }
    QWidget* currentContent() const;
    EmptyState* emptyState() const { return empty_; }
    QWidget* applicationView() const { return application_; }
    QWidget* batchView() const { return batch_; }
    DropOverlay* dropOverlay() const { return overlay_; }

    // The view for the Pro previews, shown while the store's mode is one of them.
    void setPreview(QWidget* preview);

    // Takes what is dragged onto `other` as if onto the pane, overlay included.
    void takeDropsOn(QWidget* other);

    // The location a drop would hand to the store: the first item's, when it is a file location.
    static std::optional<std::filesystem::path> droppedLocation(const QMimeData& data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void setDropTargeted(bool targeted);

    CleanerStore& store_;
    QStackedWidget* stack_;
    EmptyState* empty_;
    QWidget* application_;
    QWidget* batch_;
    QWidget* preview_;
    DropOverlay* overlay_;
    bool dropTargeted_ = false;
};

} // namespace tarnwick
