#pragma once

#include "ui/Workspace.h"

namespace tarnwick {

// The desktop the program runs on: Finder on a Mac; on Linux the file manager's freedesktop interface,
// or the enclosing folder where no file manager offers it.
class SystemWorkspace final : public Workspace {
public:
    void reveal(const std::vector<std::filesystem::path>& locations) override;
    bool openWebAddress(const QUrl& address) override;
    void quit() override;
};

} // namespace tarnwick
