#pragma once

#include "ui/Workspace.h"

#include <filesystem>
#include <vector>

namespace tarnwick::testing {

// Remembers what the window asked of the desktop instead of doing it.
class RecordingWorkspace final : public Workspace {
public:
    void reveal(const std::vector<std::filesystem::path>& locations) override {
        revealed.push_back(locations);
    }
    bool openWebAddress(const QUrl& address) override {
        opened.push_back(address);
        return isWebAddress(address);
    }
    void quit() override { ++quitRequests; }

    std::vector<std::vector<std::filesystem::path>> revealed;
    std::vector<QUrl> opened;
    int quitRequests = 0;
};

} // namespace tarnwick::testing
