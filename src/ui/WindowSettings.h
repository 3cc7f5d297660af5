#pragma once

class QSettings;
class QSplitter;
class QWidget;

namespace tarnwick {

class CleanerStore;
class FindingsView;

// What the window keeps between runs, in the user's settings: its place and size, the split between the
// sidebar and the detail pane, the sections the user closed and the sidebar's mode.
namespace WindowSettings {

// Gives the window what was kept; a place on a screen that is gone is moved onto one that is there.
void restore(QSettings& settings, QWidget& window, QSplitter& split, FindingsView& findings,
             CleanerStore& store);
void save(QSettings& settings, const QWidget& window, const QSplitter& split, const FindingsView& findings,
          const CleanerStore& store);

// Moves `window` wholly onto the screen nearest to it when no screen shows its title bar now.
void keepOnScreen(QWidget& window);

} // namespace WindowSettings
} // namespace tarnwick
