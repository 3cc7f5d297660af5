#include "residuals/SharedNamespaces.h"

#include <algorithm>
#include <array>

namespace tarnwick::ResidualScanner {

namespace {

// Hosting services lend their domain to every project they host; frameworks and project templates give
// every application built with them the same prefix until its developer sets one of their own.
constexpr std::array<SharedNamespace, 16> sharedNamespaces{{
    {"com.github.", "lent by GitHub to every project it hosts"},
    {"io.github.", "lent by GitHub Pages to every project it hosts"},
    {"com.gitlab.", "lent by GitLab to every project it hosts"},
    {"io.gitlab.", "lent by GitLab Pages to every project it hosts"},
    {"org.sourceforge.", "lent by SourceForge to every project it hosts"},
    {"net.sourceforge.", "lent by SourceForge to every project it hosts"},
    {"com.electron.", "given by Electron to the apps built with it"},
    {"org.chromium.", "shared by Chromium and the browsers built from it"},
    {"org.qt-project.", "given by Qt to the apps built with it"},
    {"org.pythonmac.", "given by py2app to the apps it packages"},
    {"io.nwjs.", "given by NW.js to the apps built with it"},
    {"com.tauri.", "given by Tauri to the apps built with it"},
    {"com.defaultcompany.", "given by Unity to the apps built with it"},
    {"com.example.", "the placeholder of project templates and samples"},
    {"com.yourcompany.", "the placeholder of project templates and samples"},
    {"com.mycompany.", "the placeholder of project templates and samples"},
}};

} // namespace

const SharedNamespace* sharedNamespace(std::string_view vendorPrefix) {
    const auto found =
        std::find_if(sharedNamespaces.begin(), sharedNamespaces.end(),
                     [&](const SharedNamespace& shared) { return shared.prefix == vendorPrefix; });
    return found == sharedNamespaces.end() ? nullptr : &*found;
}

} // namespace tarnwick::ResidualScanner
