#pragma once

#include "catalogue/InstalledApp.h"
#include "platform/RunningProcesses.h"
#include "removal/LaunchJob.h"
#include "removal/RemovalOutcome.h"
#include "removal/RestoreOutcome.h"
#include "removal/TrashError.h"
#include "residuals/ResidualItem.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

class TrashManager;

// One application's removal as the user asks for it: the application and the findings chosen for the Trash.
struct RemovalRequest {
    InstalledApp app;
    std::vector<ResidualItem> items;
};

// The way both front ends remove and put back: check what the removal would refuse, ask the user (the front
// end's part), move, then report what moved and what stayed. Each step is a call of its own, so that a front
// end may run the slow ones off its main thread, and new steps can join before the move.
class RemovalWorkflow {
public:
    // What became of a request once its items began to move.
    struct Result {
        RemovalOutcome outcome;
        std::vector<ResidualItem> moved;  // the chosen findings now in the Trash, in the order chosen
        std::vector<ResidualItem> stayed; // the others: failed (the outcome says why) or gone already

        // What the user is told when something could not be moved: the failures under one heading, with the
        // removal's ID when part of it moved. Nothing when every chosen item still there moved.
        std::optional<TrashError> failure() const;
        // Whether the application's own bundle went to the Trash, so that it is no longer installed.
        bool movedBundleOf(const InstalledApp& app) const;
    };

    // How running processes are ended: asked to quit first; forced only once the user agreed to it after
    // they did not.
    enum class Quitting { ask, force };
    // How long processes get to end before the user is told they did not.
    static constexpr std::chrono::milliseconds quitPatience{5000};

    explicit RemovalWorkflow(TrashManager& trash);

    // The refusals that need no look at the disk (nothing chosen, an application of the system), quick
    // enough to decide whether removal may be asked for at all.
    std::optional<TrashError> refusal(const RemovalRequest& request) const;

    // Every refusal the removal would make, before anything moves; it reads the disk. Throws TrashError.
    void check(const RemovalRequest& request) const;

    // The user's processes that run from the application's bundle or from a chosen finding: they would
    // write their files again from the Trash. None on a disk that is not the running system.
    std::vector<RunningProcess> running(const RemovalRequest& request) const;
    // Asks `processes` to quit, or forces them, and waits up to `patience` for them to end; answers those
    // still running. Only those of them that still run from the request's places are signalled.
    std::vector<RunningProcess> quit(const RemovalRequest& request,
                                     const std::vector<RunningProcess>& processes, Quitting how,
                                     std::chrono::milliseconds patience = quitPatience) const;
    // The launchd jobs of the chosen property lists, stopped before their lists move and started again
    // when they are put back.
    std::vector<LaunchJob> launchJobs(const RemovalRequest& request) const;

    // The names the user knows the processes by, each once, in the order given.
    static std::vector<std::string> processNames(const std::vector<RunningProcess>& processes);

    // Moves the chosen items to the Trash. Throws TrashError for a refusal before anything moved, such as a
    // process still running from the request's places.
    Result remove(const RemovalRequest& request);
    // Removes several applications in one go, each with a record of its own, all written before the first
    // move; one result per request, in the order given. Throws TrashError for a refusal of any request
    // before anything moved.
    std::vector<Result> remove(const std::vector<RemovalRequest>& requests);

    // Puts a removal's items back where they were.
    RestoreOutcome restore(const RemovalRecord& record);
    // What the user is told about the items that stayed in the Trash; nothing when none did.
    static std::optional<TrashError> failure(const RestoreOutcome& outcome);
    // The application bundles a restore put back, which are installed again.
    static std::vector<std::filesystem::path> restoredBundles(const RestoreOutcome& outcome);

private:
    TrashManager& trash_;
    RunningProcesses processes_;
};

} // namespace tarnwick
