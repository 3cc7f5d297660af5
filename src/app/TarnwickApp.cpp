#include "app/TarnwickApp.h"

#include "store/CleanerStore.h"
#include "store/StoreServices.h"
#include "store/TaskRunner.h"
#include "ui/MainWindow.h"
#include "ui/SystemWorkspace.h"

namespace tarnwick {

TarnwickApp::TarnwickApp(const Platform& platform)
    : store_(std::make_unique<CleanerStore>(std::make_unique<SystemServices>(platform),
                                            std::make_unique<ThreadPoolRunner>()))
    , workspace_(std::make_unique<SystemWorkspace>())
    , window_(std::make_unique<MainWindow>(*store_, *workspace_)) {}

// The window goes before the store it shows.
TarnwickApp::~TarnwickApp() {
    window_.reset();
}

} // namespace tarnwick
