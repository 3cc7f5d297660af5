#pragma once

#include <QUrl>
#include <filesystem>
#include <vector>

namespace tarnwick {

// What the window asks of the desktop around it. Views receive one, so that tests see what was asked.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Opens the file browser with `locations` selected.
    virtual void reveal(const std::vector<std::filesystem::path>& locations) = 0;
    // Opens `address` in the default browser. Only secure web addresses are opened; false for any other.
    virtual bool openWebAddress(const QUrl& address) = 0;
    virtual void quit() = 0;

    // Whether `address` is one `openWebAddress` may open: https with a host.
    static bool isWebAddress(const QUrl& address);
};

} // namespace tarnwick
