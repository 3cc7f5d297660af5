#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/Platform.h"
#include "platform/ScanControl.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tarnwick {

// Records of a scan, handed over as soon as each is built. The scan runs on its own thread until it has
// searched every root, whether or not anyone is still reading; destroying the stream waits for it.
class AppStream {
public:
    explicit AppStream(const Platform& platform);
    ~AppStream();
    AppStream(const AppStream&) = delete;
    AppStream& operator=(const AppStream&) = delete;

    // The next record, waiting for it if needed; nothing once the scan has finished and all were read.
    std::optional<InstalledApp> next();

private:
    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<InstalledApp> buffer_;
    bool finished_ = false;
    std::thread worker_;
};

// Finds the application bundles in /Applications, ~/Applications and /System/Applications.
namespace AppScanner {

// Searches the three roots in order, reads the bundles found in each several at a time (through the
// user's BundleCache), and gives their records to `deliver` on the calling thread as each root is done, in
// the order found. A bundle found through two roots is delivered once, with the earlier root's flag.
void scan(const Platform& platform, const std::function<void(InstalledApp)>& deliver);

// The same search, reporting its progress and stopping soon after `control`'s stop is requested: then
// the records delivered so far are only some of them, and the outcome says so.
ScanOutcome scan(const Platform& platform, const std::function<void(InstalledApp)>& deliver,
                 const ScanControl& control);

// The same search on a background thread.
std::unique_ptr<AppStream> scanStream(const Platform& platform);

} // namespace AppScanner
} // namespace tarnwick
