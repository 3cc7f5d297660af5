#include "app/TarnwickApp.h"

#include "offer/ProOfferService.h"
#include "store/CleanerStore.h"
#include "store/StoreServices.h"
#include "store/TaskRunner.h"
#include "ui/MainView.h"
#include "ui/MainWindow.h"
#include "ui/SystemWorkspace.h"

#include <QSettings>

namespace tarnwick {

TarnwickApp::TarnwickApp(const Platform& platform)
    : settings_(std::make_unique<QSettings>())
    , store_(std::make_unique<CleanerStore>(std::make_unique<SystemServices>(platform),
                                            std::make_unique<ExecutorRunner>()))
    , workspace_(std::make_unique<SystemWorkspace>())
    , window_(std::make_unique<MainWindow>(*store_, *workspace_, *settings_)) {
    window_->mainView()->setOfferRequest(
        [](QObject* receiver, std::function<void(std::optional<ProOffer>)> answer) {
            ProOfferService::shared().offer(receiver, std::move(answer));
        });
}

// The window goes before the store it shows.
TarnwickApp::~TarnwickApp() {
    window_.reset();
}

} // namespace tarnwick
