#include "removal/HistoryJournal.h"

#include "platform/FileDescriptor.h"
#include "platform/FileOperations.h"
#include "platform/PlatformError.h"
#include "removal/HistoryFormat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

using Step = HistoryJournal::Step;

constexpr std::string_view recordStart = R"({"step":"record","id":")";
constexpr std::string_view stateStart = R"({"step":"state","id":")";
constexpr std::string_view forgetStart = R"({"step":"forget","id":")";
constexpr std::string_view stateKey = R"(","state":")";
constexpr std::string_view recordKey = R"(","record":)";
constexpr std::size_t idLength = 36;

// Enough of a line to tell its step: the longest beginning before the record.
constexpr std::size_t headLength = 128;
constexpr std::size_t readSize = 1 << 20;

bool take(std::string_view& text, std::string_view expected) {
    if (!text.starts_with(expected)) {
        return false;
    }
    text.remove_prefix(expected.size());
    return true;
}

std::optional<Uuid> takeId(std::string_view& text) {
    if (text.size() < idLength) {
        return std::nullopt;
    }
    const auto id = Uuid::parse(text.substr(0, idLength));
    text.remove_prefix(idLength);
    return id;
}

std::optional<RemovalRecord::State> takeState(std::string_view& text) {
    const std::size_t end = text.find('"');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const auto state = HistoryFormat::stateNamed(text.substr(0, end));
    text.remove_prefix(end);
    return state;
}

// The step a line holds, from its beginning `head` and its last character; for a `record` step, where
// its record begins.
std::optional<Step> stepFrom(std::string_view head, char last, std::size_t* recordOffset = nullptr) {
    std::string_view rest = head;
    Step step;
    if (take(rest, recordStart)) {
        step.kind = Step::Kind::record;
    } else if (take(rest, stateStart)) {
        step.kind = Step::Kind::state;
    } else if (take(rest, forgetStart)) {
        step.kind = Step::Kind::forget;
    } else {
        return std::nullopt;
    }
    const auto id = takeId(rest);
    if (!id || last != '}') {
        return std::nullopt;
    }
    step.id = *id;
    if (step.kind == Step::Kind::forget) {
        return rest == R"("})" ? std::optional(step) : std::nullopt;
    }
    if (!take(rest, stateKey)) {
        return std::nullopt;
    }
    const auto state = takeState(rest);
    if (!state) {
        return std::nullopt;
    }
    step.state = *state;
    if (step.kind == Step::Kind::state) {
        return rest == R"("})" ? std::optional(step) : std::nullopt;
    }
    if (!take(rest, recordKey)) {
        return std::nullopt;
    }
    if (recordOffset != nullptr) {
        *recordOffset = head.size() - rest.size();
    }
    return step;
}

std::string readAt(int descriptor, std::uint64_t offset, std::uint64_t length, const fs::path& location) {
    std::string text(static_cast<std::size_t>(length), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count =
            ::pread(descriptor, text.data() + done, text.size() - done, static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            throw PlatformError::fromErrno(count == 0 ? EIO : errno, "read", location);
        }
        done += static_cast<std::size_t>(count);
    }
    return text;
}

void writeAll(int descriptor, std::string_view text, const fs::path& location) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            throw PlatformError::fromErrno(written == 0 ? EIO : errno, "write", location);
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void syncFolder(const fs::path& folder) {
    const FileDescriptor opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (opened.isOpen()) {
        ::fsync(opened.get());
    }
}

} // namespace

Step Step::put(const RemovalRecord& record) {
    return {Kind::record, record.id, record.state, record};
}

Step Step::changeState(const Uuid& id, RemovalRecord::State state) {
    return {Kind::state, id, state};
}

Step Step::forget(const Uuid& id) {
    return {Kind::forget, id};
}

HistoryJournal::HistoryJournal(fs::path location)
    : location_(std::move(location)) {}

std::string HistoryJournal::lineOf(const Step& step) {
    const std::string id = step.id.string();
    switch (step.kind) {
    case Step::Kind::forget:
        return std::string(forgetStart) + id + "\"}\n";
    case Step::Kind::state:
        return std::string(stateStart) + id + std::string(stateKey) +
               std::string(HistoryFormat::stateName(step.state)) + "\"}\n";
    case Step::Kind::record:
        break;
    }
    return std::string(recordStart) + id + std::string(stateKey) +
           std::string(HistoryFormat::stateName(step.record.state)) + std::string(recordKey) +
           HistoryFormat::encode(step.record) + "}\n";
}

std::optional<Step> HistoryJournal::stepOf(std::string_view line) {
    if (line.empty()) {
        return std::nullopt;
    }
    std::size_t recordOffset = 0;
    auto step = stepFrom(line.substr(0, std::min(line.size(), headLength)), line.back(), &recordOffset);
    if (step && step->kind == Step::Kind::record) {
        // The state is read before the record, and must be the record's own.
        const auto record =
            HistoryFormat::decodeElement(line.substr(recordOffset, line.size() - recordOffset - 1));
        if (!record || record->id != step->id || record->state != step->state) {
            return std::nullopt;
        }
        step->record = *record;
    }
    return step;
}

void HistoryJournal::forgetRead() {
    lines_.clear();
    device_ = 0;
    inode_ = 0;
    read_ = 0;
    size_ = 0;
}

bool HistoryJournal::exists() const {
    return exists_;
}

const std::vector<HistoryJournal::Line>& HistoryJournal::lines() {
    const FileDescriptor file(::open(location_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.isOpen()) {
        if (errno != ENOENT && errno != ENOTDIR) {
            throw PlatformError::fromErrno(errno, "read", location_);
        }
        forgetRead();
        exists_ = false;
        return lines_;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        throw PlatformError::fromErrno(errno, "read", location_);
    }
    if (!S_ISREG(status.st_mode)) {
        throw PlatformError::fromErrno(EISDIR, "read", location_);
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (status.st_dev != device_ || status.st_ino != inode_ || size < read_) {
        forgetRead();
        device_ = status.st_dev;
        inode_ = status.st_ino;
    }
    exists_ = true;
    size_ = size;
    if (!lines_.empty() && lines_.back().offset >= read_) {
        lines_.pop_back(); // a last line without its line feed: read it again, it may have one now
    }

    // Only the beginning of each line is kept: the records are read when they are needed.
    std::string head;
    std::uint64_t lineStart = read_;
    char last = 0;
    std::string buffer(readSize, '\0');
    for (std::uint64_t offset = read_; offset < size;) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(readSize, size - offset));
        const ssize_t count = ::pread(file.get(), buffer.data(), wanted, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw PlatformError::fromErrno(errno, "read", location_);
        }
        if (count == 0) {
            break; // cut short since it was measured
        }
        const std::string_view piece(buffer.data(), static_cast<std::size_t>(count));
        for (std::size_t index = 0; index < piece.size();) {
            const void* found = std::memchr(piece.data() + index, '\n', piece.size() - index);
            const std::size_t end =
                found == nullptr ? piece.size()
                                 : static_cast<std::size_t>(static_cast<const char*>(found) - piece.data());
            if (head.size() < headLength) {
                head.append(piece.substr(index, std::min(end - index, headLength - head.size())));
            }
            if (end > index) {
                last = piece[end - 1];
            }
            if (found == nullptr) {
                break;
            }
            const std::uint64_t lineEnd = offset + end;
            lines_.push_back({lineStart, lineEnd - lineStart, stepFrom(head, last)});
            lineStart = lineEnd + 1;
            read_ = lineStart;
            head.clear();
            last = 0;
            index = end + 1;
        }
        offset += static_cast<std::uint64_t>(count);
    }
    if (lineStart < size) {
        lines_.push_back({lineStart, size - lineStart, std::nullopt}); // cut short
    }
    return lines_;
}

std::optional<RemovalRecord> HistoryJournal::recordOf(const Line& line, std::size_t largest) const {
    if (!line.step || line.step->kind != Step::Kind::record || line.length > largest) {
        return std::nullopt;
    }
    try {
        const auto step = stepOf(textOf(line));
        if (!step || step->kind != Step::Kind::record) {
            return std::nullopt;
        }
        return step->record;
    } catch (const PlatformError&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::string HistoryJournal::textOf(const Line& line) const {
    const FileDescriptor file(::open(location_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.isOpen()) {
        throw PlatformError::fromErrno(errno, "read", location_);
    }
    return readAt(file.get(), line.offset, line.length, location_);
}

void HistoryJournal::append(const Step& step) {
    std::string line = lineOf(step);
    bool created = false;
    FileDescriptor file(::open(location_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.isOpen()) {
        created = true;
    } else if (errno == EEXIST) {
        file.reset(::open(location_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW));
    }
    if (!file.isOpen()) {
        throw PlatformError::fromErrno(errno, "write", location_);
    }
    // A line a crash cut short stays a line of its own: it is kept aside, and takes this one with it.
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        throw PlatformError::fromErrno(errno, "write", location_);
    }
    if (status.st_size > 0) {
        char last = 0;
        if (::pread(file.get(), &last, 1, status.st_size - 1) != 1) {
            throw PlatformError::fromErrno(errno, "read", location_);
        }
        if (last != '\n') {
            line.insert(line.begin(), '\n');
        }
    }
    writeAll(file.get(), line, location_);
    if (::fsync(file.get()) != 0) {
        throw PlatformError::fromErrno(errno, "write", location_);
    }
    if (created) {
        syncFolder(location_.parent_path());
    }
}

void HistoryJournal::replace(const std::vector<Step>& steps) {
    std::string text;
    for (const Step& step : steps) {
        text += lineOf(step);
    }
    FileOperations::replaceAtomically(location_, text);
}

void HistoryJournal::remove() {
    if (::unlink(location_.c_str()) != 0 && errno != ENOENT) {
        throw PlatformError::fromErrno(errno, "delete", location_);
    }
    syncFolder(location_.parent_path());
    forgetRead();
    exists_ = false;
}

} // namespace tarnwick
