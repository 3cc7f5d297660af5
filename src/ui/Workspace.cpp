#include "ui/Workspace.h"

namespace tarnwick {

bool Workspace::isWebAddress(const QUrl& address) {
    return address.isValid() && address.scheme() == QLatin1String("https") && !address.host().isEmpty();
}

} // namespace tarnwick
