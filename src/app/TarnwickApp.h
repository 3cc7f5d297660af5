#pragma once

#include "platform/Platform.h"

#include <memory>

class QSettings;

namespace tarnwick {

class CleanerStore;
class MainWindow;
class SystemWorkspace;

// The program: one store for the life of the process and the window that shows it.
class TarnwickApp {
public:
    explicit TarnwickApp(const Platform& platform);
    ~TarnwickApp();
    TarnwickApp(const TarnwickApp&) = delete;
    TarnwickApp& operator=(const TarnwickApp&) = delete;

    CleanerStore& store() const { return *store_; }
    MainWindow& window() const { return *window_; }

private:
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<CleanerStore> store_;
    std::unique_ptr<SystemWorkspace> workspace_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace tarnwick
