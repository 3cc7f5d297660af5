#include "platform/RunningProcesses.h"

#include "platform/ChildProcess.h"
#include "platform/FileDescriptor.h"
#include "platform/Location.h"
#include "platform/PlatformError.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <unistd.h>

#ifdef __APPLE__
#include <libproc.h>
#include <sys/proc.h>
#include <sys/proc_info.h>
#else
#include <charconv>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/syscall.h>
#endif

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// What the system says about one process; nothing once it has ended (a zombie included).
struct Facts {
    uid_t realUser = 0;
    uid_t effectiveUser = 0;
    std::uint64_t started = 0;
    fs::path executable;
};

#ifdef __APPLE__

std::vector<pid_t> processNumbers() {
    const int count = ::proc_listallpids(nullptr, 0);
    if (count <= 0) {
        return {};
    }
    // Room for those started meanwhile.
    std::vector<pid_t> numbers(static_cast<std::size_t>(count) + 64);
    const int listed = ::proc_listallpids(numbers.data(), static_cast<int>(numbers.size() * sizeof(pid_t)));
    numbers.resize(listed > 0 ? std::min(static_cast<std::size_t>(listed), numbers.size()) : 0);
    return numbers;
}

std::optional<Facts> factsOf(pid_t process) {
    proc_bsdinfo info{};
    if (::proc_pidinfo(process, PROC_PIDTBSDINFO, 0, &info, sizeof info) != static_cast<int>(sizeof info) ||
        info.pbi_status == SZOMB) {
        return std::nullopt;
    }
    char path[PROC_PIDPATHINFO_MAXSIZE];
    const int length = ::proc_pidpath(process, path, sizeof path);
    if (length <= 0) {
        return std::nullopt;
    }
    return Facts{info.pbi_ruid, info.pbi_uid,
                 static_cast<std::uint64_t>(info.pbi_start_tvsec) * 1000000 + info.pbi_start_tvusec,
                 fs::path(std::string(path, static_cast<std::size_t>(length)))};
}

#else

std::vector<pid_t> processNumbers() {
    std::vector<pid_t> numbers;
    DIR* folder = ::opendir("/proc");
    if (folder == nullptr) {
        return numbers;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        pid_t number = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
        if (error == std::errc() && end == name.data() + name.size() && number > 0) {
            numbers.push_back(number);
        }
    }
    ::closedir(folder);
    return numbers;
}

std::string procFile(pid_t process, const char* name) {
    std::ifstream file("/proc/" + std::to_string(process) + "/" + name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The real and effective user of the "Uid:" line of /proc/<pid>/status.
std::optional<std::pair<uid_t, uid_t>> usersOf(pid_t process) {
    std::istringstream status(procFile(process, "status"));
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Uid:")) {
            std::istringstream numbers(line.substr(4));
            uid_t real = 0;
            uid_t effective = 0;
            if (numbers >> real >> effective) {
                return std::pair{real, effective};
            }
        }
    }
    return std::nullopt;
}

// Field 22 of /proc/<pid>/stat, after the name in parentheses, which may hold spaces and parentheses.
std::optional<std::uint64_t> startOf(pid_t process) {
    const std::string stat = procFile(process, "stat");
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    for (int index = 3; index <= 22; ++index) {
        if (!(fields >> field)) {
            return std::nullopt;
        }
    }
    std::uint64_t started = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), started);
    return error == std::errc() && end == field.data() + field.size() ? std::optional(started) : std::nullopt;
}

std::optional<Facts> factsOf(pid_t process) {
    std::error_code error;
    std::string executable = fs::read_symlink("/proc/" + std::to_string(process) + "/exe", error).native();
    if (error || !executable.starts_with('/')) {
        return std::nullopt; // ended, a kernel thread, or another user's
    }
    // A file replaced since the process started, as an update replaces it, still counts where it was.
    constexpr std::string_view replaced = " (deleted)";
    if (executable.ends_with(replaced)) {
        executable.erase(executable.size() - replaced.size());
    }
    const auto users = usersOf(process);
    const auto started = startOf(process);
    if (!users || !started) {
        return std::nullopt;
    }
    return Facts{users->first, users->second, *started, fs::path(std::move(executable))};
}

#endif

bool isOwnedByUser(const Facts& facts) {
    const uid_t user = ::getuid();
    return facts.realUser == user && facts.effectiveUser == user;
}

bool isSameProcess(const RunningProcess& process) {
    const auto facts = factsOf(process.id);
    return facts && isOwnedByUser(*facts) && facts->started == process.started &&
           facts->executable == process.executable;
}

// Sends `signal` while the process is the one found.
bool sendSignal(const RunningProcess& process, int signal) {
#if defined(__linux__) && defined(SYS_pidfd_open) && defined(SYS_pidfd_send_signal)
    // Held by a process descriptor, a checked process cannot be exchanged for another of the same number.
    const FileDescriptor held(static_cast<int>(::syscall(SYS_pidfd_open, process.id, 0)));
    if (held.isOpen()) {
        return isSameProcess(process) &&
               ::syscall(SYS_pidfd_send_signal, held.get(), signal, nullptr, 0) == 0;
    }
    if (errno != ENOSYS) {
        return false; // gone
    }
#endif
    return isSameProcess(process) && ::kill(process.id, signal) == 0;
}

#ifdef __APPLE__
// Asks the application that is this very process to quit, as its own Quit command would; prints whether
// it was asked. Processes without a user interface are not applications and answer false.
constexpr std::string_view quitApplicationScript =
    "function run(argv) {"
    " ObjC.import('AppKit');"
    " const app = $.NSRunningApplication.runningApplicationWithProcessIdentifier(Number(argv[0]));"
    " return app.isNil() ? 'false' : String(app.terminate);"
    "}";

bool askApplicationToQuit(const RunningProcess& process) {
    if (!isSameProcess(process)) {
        return false;
    }
    try {
        const ChildProcess::Result result = ChildProcess::run(
            "/usr/bin/osascript",
            {"-l", "JavaScript", "-e", std::string(quitApplicationScript), std::to_string(process.id)});
        return result.status == 0 && Text::trimmed(result.out) == "true";
    } catch (const PlatformError&) {
        return false;
    }
}
#endif

} // namespace

RunningProcesses::RunningProcesses(const Platform& platform)
    : isRunningSystem_(platform.systemRoot().empty()) {}

std::vector<RunningProcess> RunningProcesses::inside(const std::vector<fs::path>& places) const {
    std::vector<RunningProcess> found;
    if (!isRunningSystem_ || places.empty()) {
        return found;
    }
    // A place that is a link stands for itself: moving it leaves what it points to, and whatever runs
    // from there, alone.
    std::vector<fs::path> resolved;
    for (const fs::path& place : places) {
        resolved.push_back(Location::resolvedButLast(place));
    }
    for (const pid_t number : processNumbers()) {
        const auto facts = factsOf(number);
        if (!facts || !isOwnedByUser(*facts) || number == ::getpid()) {
            continue;
        }
        const bool isInside = std::any_of(resolved.begin(), resolved.end(), [&](const fs::path& place) {
            return Location::contains(place, facts->executable, Location::Containment::orSame);
        });
        if (isInside) {
            found.push_back({number, facts->executable, facts->started});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const RunningProcess& left, const RunningProcess& right) { return left.id < right.id; });
    return found;
}

bool RunningProcesses::isRunning(const RunningProcess& process) const {
    return isRunningSystem_ && isSameProcess(process);
}

bool RunningProcesses::askToQuit(const RunningProcess& process) const {
    if (!isRunningSystem_) {
        return false;
    }
#ifdef __APPLE__
    if (askApplicationToQuit(process)) {
        return true;
    }
#endif
    return sendSignal(process, SIGTERM);
}

bool RunningProcesses::forceQuit(const RunningProcess& process) const {
    return isRunningSystem_ && sendSignal(process, SIGKILL);
}

} // namespace tarnwick
