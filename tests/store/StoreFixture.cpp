#include "store/StoreFixture.h"

#include <algorithm>

namespace tarnwick::testing {

namespace fs = std::filesystem;

namespace {

using Array = PlistValue::Array;
using Dictionary = PlistValue::Dictionary;

class ScriptedSearch final : public LeftoverSearch {
public:
    ScriptedSearch(std::shared_ptr<const LeftoverSearch> real, std::shared_ptr<TestServices::Script> script)
        : real_(std::move(real))
        , script_(std::move(script)) {}

    std::optional<std::vector<ResidualItem>> forApp(const InstalledApp& app,
                                                    const ScanControl& control) const override {
        ++script_->scansMade;
        if (const auto scripted = script_->findings.find(app.id()); scripted != script_->findings.end()) {
            return scripted->second;
        }
        return real_->forApp(app, control);
    }
    std::optional<std::vector<ResidualItem>> orphans(const ScanControl& control) const override {
        return real_->orphans(control);
    }

private:
    std::shared_ptr<const LeftoverSearch> real_;
    std::shared_ptr<TestServices::Script> script_;
};

} // namespace

ScanOutcome TestServices::findApps(const std::function<void(InstalledApp)>& deliver,
                                   const ScanControl& control) {
    const ScanOutcome outcome = system_.findApps(deliver, control);
    for (const InstalledApp& extra : script_->extraApps) {
        deliver(extra);
    }
    return outcome;
}

std::optional<std::int64_t> TestServices::measure(const InstalledApp& app, const std::stop_token& stop) {
    if (script_->whileMeasuring) {
        script_->whileMeasuring();
    }
    return system_.measure(app, stop);
}

std::shared_ptr<const LeftoverSearch>
TestServices::searchAgainst(const std::vector<InstalledApp>& installed) {
    ++script_->searchesMade;
    return std::make_shared<ScriptedSearch>(system_.searchAgainst(installed), script_);
}

void StoreFixture::SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "store_tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // lives as long as the test program
    }
}

StoreFixture::StoreFixture() {
    const fs::path applications = platform.system("/Applications");
    tree.addApp(applications,
                {.fileName = "Editor.app",
                 .bundleID = "com.example.editor",
                 .shortVersion = "2.1",
                 .extraInfo = {{"CFBundleDocumentTypes",
                                Array{Dictionary{{"CFBundleTypeName", "Plain Text"},
                                                 {"CFBundleTypeExtensions", Array{"txt", "text"}}},
                                      Dictionary{{"CFBundleTypeName", "   "}},
                                      Dictionary{{"CFBundleTypeName", "Anything"},
                                                 {"CFBundleTypeExtensions", Array{"*"}}},
                                      Dictionary{{"CFBundleTypeName", "Plain Text"},
                                                 {"CFBundleTypeExtensions", Array{"md"}}}}}}});
    tree.addApp(
        applications,
        {.fileName = "Agent.app", .bundleID = "com.example.agent", .extraInfo = {{"LSUIElement", 1}}});
    tree.addApp(
        applications,
        {.fileName = "Texty.app", .bundleID = "com.example.texty", .extraInfo = {{"LSUIElement", "1"}}});
    tree.addApp(applications, {.fileName = "app 10.app", .bundleID = "com.example.ten"});
    tree.addApp(applications, {.fileName = "App 2.app", .bundleID = "com.example.two"});
    tree.addApp(platform.system("/System/Applications"),
                {.fileName = "Clock.app", .bundleID = "com.apple.clock"});
    editorCache = tree.addFile(tree.userLibrary("Caches/com.example.editor/cache.db"), std::uint64_t{4096})
                      .parent_path();
    orphan =
        tree.addFile(tree.userLibrary("Caches/com.gone.vanished/data"), std::uint64_t{2048}).parent_path();
    fs::create_directories(platform.home() / ".Trash");
}

CleanerStore& StoreFixture::makeStore(std::unique_ptr<TrashManager> trash) {
    store = std::make_unique<CleanerStore>(std::make_unique<TestServices>(platform, script, std::move(trash)),
                                           std::make_unique<ManualRunner>(tasks));
    return *store;
}

void StoreFixture::deliver() {
    // The store applies results in batches and schedules the rest as a new event: deliver until none is
    // left (each round applies at least one result; a bound, in case something keeps posting).
    for (int round = 0; round < 100; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void StoreFixture::runAll() {
    deliver();
    while (!tasks->empty()) {
        ManualRunner::Task task = std::move(tasks->front());
        tasks->pop_front();
        task.work();
        deliver();
    }
}

void StoreFixture::runNext(TaskRunner::Priority priority) {
    const auto next = std::find_if(tasks->begin(), tasks->end(),
                                   [&](const ManualRunner::Task& task) { return task.priority == priority; });
    ASSERT_NE(next, tasks->end()) << "no task of that priority is waiting";
    ManualRunner::Task task = std::move(*next);
    tasks->erase(next);
    task.work();
    deliver();
}

std::size_t StoreFixture::pending(TaskRunner::Priority priority) const {
    return static_cast<std::size_t>(
        std::count_if(tasks->begin(), tasks->end(),
                      [&](const ManualRunner::Task& task) { return task.priority == priority; }));
}

void StoreFixture::loadCompletely() {
    store->loadApps();
    runAll();
}

void StoreFixture::removeChosen() {
    store->requestRemoval();
    runAll();
    ASSERT_TRUE(store->removals().candidate().has_value()) << store->errorMessage().value_or("");
    store->confirmRemoval();
    runAll();
}

void StoreFixture::show(const std::string& name, std::optional<std::vector<ResidualItem>> findings) {
    if (findings) {
        script->findings[app(name).id()] = std::move(*findings);
    }
    store->select(app(name));
    runAll();
}

const InstalledApp& StoreFixture::app(const std::string& name) const {
    const auto& apps = store->appList().apps();
    const auto found =
        std::find_if(apps.begin(), apps.end(), [&](const InstalledApp& each) { return each.name == name; });
    if (found == apps.end()) {
        throw std::runtime_error("no application named " + name);
    }
    return *found;
}

std::vector<std::string> StoreFixture::names(const std::vector<InstalledApp>& apps) {
    std::vector<std::string> result;
    for (const InstalledApp& each : apps) {
        result.push_back(each.name);
    }
    return result;
}

ResidualItem StoreFixture::finding(const std::string& relative, ResidualCategory category,
                                   MatchConfidence confidence, bool selected, std::int64_t size) const {
    const fs::path location = tree.userLibrary(relative);
    if (!fs::exists(location)) {
        tree.addFile(location, "contents");
    }
    const std::string reason = confidence == MatchConfidence::possible ? "Name resembles the developer's"
                                                                       : "Bundle identifier match";
    return {location, size, category, confidence, reason, selected};
}

} // namespace tarnwick::testing
