#include "removal/HistoryFile.h"

#include "platform/FileOperations.h"
#include "platform/PlatformError.h"
#include "removal/HistoryFormat.h"
#include "removal/HistoryScanner.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view folderName = "TarnwickCleaner";
constexpr std::string_view fileName = "RemovalHistory.json";
constexpr std::string_view journalExtension = ".journal";
constexpr std::string_view indexExtension = ".index";
constexpr std::string_view indexHeader = "tarnwick removal history index 1";
constexpr int keepAsideAttempts = 100;
constexpr std::size_t readSize = 1 << 20;
// A line per record, a few hundred records: a larger file is no index of ours.
constexpr std::size_t maximumIndexSize = 1 << 20;

bool isUnsettled(RemovalRecord::State state) {
    return state == RemovalRecord::State::inProgress || state == RemovalRecord::State::restoring;
}

fs::path keptAsideName(const fs::path& location, int attempt) {
    const std::string base = location.string() + std::string(HistoryFile::keptAsideSuffix);
    return attempt == 1 ? fs::path(base) : fs::path(base + "-" + std::to_string(attempt));
}

// Calls `each` with the bytes [offset, offset + length) of the file, a piece at a time.
void readRange(int descriptor, std::uint64_t offset, std::uint64_t length, const fs::path& location,
               const std::function<void(std::string_view)>& each) {
    std::string buffer(static_cast<std::size_t>(std::min<std::uint64_t>(length, readSize)), '\0');
    while (length > 0) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
        const ssize_t count = ::pread(descriptor, buffer.data(), wanted, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            throw PlatformError::fromErrno(count == 0 ? EIO : errno, "read", location);
        }
        each(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
        offset += static_cast<std::uint64_t>(count);
        length -= static_cast<std::uint64_t>(count);
    }
}

std::string readText(int descriptor, std::uint64_t offset, std::uint64_t length, const fs::path& location) {
    std::string text;
    text.reserve(static_cast<std::size_t>(length));
    readRange(descriptor, offset, length, location, [&text](std::string_view piece) { text.append(piece); });
    return text;
}

// A file of its own for what could not be read, under a name no other file has, written piece by piece;
// dropped again unless kept.
class KeptAside {
public:
    explicit KeptAside(fs::path location)
        : location_(std::move(location)) {}
    ~KeptAside() {
        if (file_.isOpen() && !kept_) {
            ::unlink(path_.c_str());
        }
    }

    void write(std::string_view piece) {
        if (!file_.isOpen()) {
            open();
        }
        while (!piece.empty()) {
            const ssize_t written = ::write(file_.get(), piece.data(), piece.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                throw PlatformError::fromErrno(written == 0 ? EIO : errno, "write", path_);
            }
            piece.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    bool isOpen() const { return file_.isOpen(); }

    const fs::path& keep() {
        if (::fsync(file_.get()) != 0) {
            throw PlatformError::fromErrno(errno, "write", path_);
        }
        kept_ = true;
        return path_;
    }

private:
    void open() {
        for (int attempt = 1; attempt <= keepAsideAttempts; ++attempt) {
            path_ = keptAsideName(location_, attempt);
            file_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (file_.isOpen()) {
                return;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        throw PlatformError::fromErrno(errno, "create", path_);
    }

    fs::path location_;
    fs::path path_;
    FileDescriptor file_;
    bool kept_ = false;
};

// Moves an undecodable file out of the way under a name no other file has.
std::optional<fs::path> keepFileAside(const fs::path& location) {
    for (int attempt = 1; attempt <= keepAsideAttempts; ++attempt) {
        const fs::path destination = keptAsideName(location, attempt);
        try {
            FileOperations::moveWithoutReplacing(location, destination);
            return destination;
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

// The stored index proved not to describe the file: a record was not where it said.
struct StaleIndex {};

template <typename Number> bool readNumber(std::string_view& line, Number& value) {
    const auto end = line.find(' ');
    const std::string_view digits = line.substr(0, end);
    const auto [rest, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || rest != digits.data() + digits.size() || digits.empty()) {
        return false;
    }
    line = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
    return true;
}

} // namespace

std::string HistoryFile::Index::encode() const {
    std::string text(indexHeader);
    text += '\n' + std::to_string(device) + ' ' + std::to_string(inode) + ' ' + std::to_string(size) + ' ' +
            std::to_string(changed) + ' ' + (isArray ? '1' : '0') + '\n';
    for (const Element& element : elements) {
        text += std::to_string(element.offset) + ' ' + std::to_string(element.length) + ' ' +
                std::to_string(element.depth) + ' ' + (element.tooLong ? '1' : '0') + ' ' +
                (element.id ? element.id->string() : "-") + '\n';
    }
    return text;
}

std::optional<HistoryFile::Index> HistoryFile::Index::decode(std::string_view text) {
    const auto nextLine = [&text]() -> std::optional<std::string_view> {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        return line;
    };
    if (nextLine() != indexHeader) {
        return std::nullopt;
    }
    Index index;
    int isArray = 0;
    auto line = nextLine();
    if (!line || !readNumber(*line, index.device) || !readNumber(*line, index.inode) ||
        !readNumber(*line, index.size) || !readNumber(*line, index.changed) || !readNumber(*line, isArray) ||
        !line->empty() || isArray > 1 || index.size < 0) {
        return std::nullopt;
    }
    index.isArray = isArray == 1;
    index.stored = true;
    std::uint64_t end = 0;
    while (!text.empty()) {
        Element element;
        int tooLong = 0;
        line = nextLine();
        if (!line || !readNumber(*line, element.offset) || !readNumber(*line, element.length) ||
            !readNumber(*line, element.depth) || !readNumber(*line, tooLong) || tooLong > 1 ||
            element.offset < end ||
            element.length > static_cast<std::uint64_t>(index.size) - element.offset) {
            return std::nullopt;
        }
        element.tooLong = tooLong == 1;
        if (*line != "-") {
            element.id = Uuid::parse(*line);
            if (!element.id) {
                return std::nullopt;
            }
        }
        end = element.offset + element.length;
        index.elements.push_back(element);
    }
    return index;
}

struct HistoryFile::Transaction::Pending {
    const HistoryJournal::Line* record = nullptr; // its newest `record` step
    std::optional<RemovalRecord> decoded;
    std::optional<RemovalRecord::State> state;
    bool forgotten = false;
};

// One pass over the records, newest first: those of the journal the file does not hold yet, then the
// file's, each as the journal's steps leave it.
struct HistoryFile::Transaction::Walk {
    // Whether to read the record of this identifier; nothing for an element whose identifier is unknown.
    std::function<bool(const Uuid&)> wants = [](const Uuid&) { return true; };
    std::function<void(RemovalRecord&)> each;
    // Forgets what `each` was given: the pass starts over when the index file proved wrong on the way.
    std::function<void()> restart = [] {};
    // Every element of the file that is no record, and every damaged line of the journal, is looked at.
    bool checksEverything = false;
    std::function<void(int descriptor, const Index::Element&, std::string_view text)> unreadable;

    // What the pass found.
    bool fileExists = false;
    bool fileIsArray = true;
    std::vector<const HistoryJournal::Line*> damaged;
    bool journalHasSteps = false;
};

HistoryFile::HistoryFile(fs::path location)
    : HistoryFile(std::move(location), Limits{}) {}

HistoryFile::HistoryFile(fs::path location, Limits limits)
    : location_(std::move(location))
    , limits_(limits)
    , journal_(journalLocation()) {}

HistoryFile::~HistoryFile() = default;

fs::path HistoryFile::defaultLocation(const Platform& platform) {
    return platform.applicationSupportFolder() / folderName / fileName;
}

fs::path HistoryFile::journalLocation() const {
    return fs::path(location_).replace_extension(journalExtension);
}

fs::path HistoryFile::indexLocation() const {
    return fs::path(location_).replace_extension(indexExtension);
}

HistoryFile::Transaction HistoryFile::begin() {
    return Transaction(*this);
}

std::vector<RemovalRecord> HistoryFile::read() {
    return begin().records();
}

HistoryFile::Outcome HistoryFile::rewrite(const std::function<void(std::vector<RemovalRecord>&)>& change) {
    Transaction transaction = begin();
    std::vector<RemovalRecord> records = transaction.records();
    change(records);
    return transaction.write([](RemovalRecord&) { return false; }, true, &records);
}

std::vector<fs::path> HistoryFile::keptAsideFiles() const {
    std::vector<fs::path> files;
    for (const fs::path& kept : {location_, journalLocation()}) {
        for (int attempt = 1; attempt <= keepAsideAttempts; ++attempt) {
            if (FileOperations::exists(keptAsideName(kept, attempt))) {
                files.push_back(keptAsideName(kept, attempt));
            }
        }
    }
    return files;
}

HistoryFile::Transaction::Transaction(HistoryFile& file)
    : file_(file)
    , guard_(file.mutex_)
    , folder_(::open(file.location_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    // Another process's transaction is kept apart by the lock on the folder; a thread's of this one by
    // the mutex, which also guards what was read of the journal and the file.
    if (folder_.isOpen()) {
        while (::flock(folder_.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
        // Every write happens under the lock, so no other one can be under way now.
        FileOperations::removeAbandonedReplacements(file_.location_);
        FileOperations::removeAbandonedReplacements(file_.journal_.location());
        FileOperations::removeAbandonedReplacements(file_.indexLocation());
    }
}

HistoryFile::Transaction::~Transaction() = default; // closing the folder lets go of the lock

std::unordered_map<Uuid, HistoryFile::Transaction::Pending>
HistoryFile::Transaction::pending(bool checkRecords, std::vector<Uuid>& newest,
                                  std::vector<const HistoryJournal::Line*>& damaged) {
    std::unordered_map<Uuid, Pending> pending;
    for (const HistoryJournal::Line& line : file_.journal_.lines()) {
        if (!line.step) {
            damaged.push_back(&line);
            continue;
        }
        const Step& step = *line.step;
        Pending& now = pending[step.id];
        switch (step.kind) {
        case Step::Kind::record: {
            std::optional<RemovalRecord> decoded;
            if (checkRecords) {
                decoded = file_.journal_.recordOf(line, file_.limits_.largestRecord);
                if (!decoded) {
                    damaged.push_back(&line);
                    continue;
                }
            }
            // A record new to the history takes the head; a changed one keeps its place.
            if (now.forgotten || now.record == nullptr) {
                std::erase(newest, step.id);
                newest.insert(newest.begin(), step.id);
            }
            now = {&line, std::move(decoded), step.state, false};
            break;
        }
        case Step::Kind::state:
            if (!now.forgotten) {
                now.state = step.state;
            }
            break;
        case Step::Kind::forget:
            now = {nullptr, std::nullopt, std::nullopt, true};
            std::erase(newest, step.id);
            break;
        }
    }
    return pending;
}

const HistoryFile::Index& HistoryFile::Transaction::index(int descriptor, bool mayUseStored) {
    Index& index = file_.index_;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        throw PlatformError::fromErrno(errno, "read", file_.location_);
    }
    const std::int64_t changed =
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    const auto describesFile = [&](const Index& candidate) {
        return candidate.device == status.st_dev && candidate.inode == status.st_ino &&
               candidate.size == status.st_size && candidate.changed == changed;
    };
    if (describesFile(index) && (mayUseStored || !index.stored)) {
        return index;
    }
    if (mayUseStored) {
        try {
            const auto text = FileOperations::readFile(file_.indexLocation(), maximumIndexSize);
            if (auto stored = text ? Index::decode(*text) : std::nullopt; stored && describesFile(*stored)) {
                index = std::move(*stored);
                return index;
            }
        } catch (const std::exception&) {
            // Unreadable: the history itself is read instead, and the index written over.
        }
    }
    index = {status.st_dev, status.st_ino, -1, changed, false, false, {}};
    HistoryScanner scanner(file_.limits_.largestRecord, [&index](const HistoryScanner::Element& element) {
        std::optional<Uuid> id;
        if (!element.tooLong) {
            if (const auto written = HistoryScanner::plainMember(element.text, "id")) {
                id = Uuid::parse(*written);
            } else if (const auto record = HistoryFormat::decodeElement(element.text, element.depth)) {
                id = record->id;
            }
        }
        index.elements.push_back({element.offset, element.length, element.depth, element.tooLong, id});
    });
    if (S_ISREG(status.st_mode)) {
        readRange(descriptor, 0, static_cast<std::uint64_t>(status.st_size), file_.location_,
                  [&scanner](std::string_view piece) { scanner.feed(piece); });
    }
    index.isArray = scanner.finish();
    if (!index.isArray) {
        index.elements.clear();
    }
    index.size = status.st_size;
    // A fold reads the file it replaces: only a reader's index is worth keeping.
    if (mayUseStored) {
        try {
            FileOperations::replaceAtomically(file_.indexLocation(), index.encode(),
                                              FileOperations::Durability::unflushed);
        } catch (const std::exception&) {
            // Kept next time, or never: the index only saves reading the history through.
        }
    }
    return index;
}

void HistoryFile::Transaction::walk(Walk& walk) {
    // A pass that checks everything may keep records aside as unreadable: it goes by the file alone.
    try {
        walkOnce(walk, !walk.checksEverything);
    } catch (const StaleIndex&) {
        file_.index_ = {};
        ::unlink(file_.indexLocation().c_str());
        walk.restart();
        walk.damaged.clear();
        walkOnce(walk, false);
    }
}

void HistoryFile::Transaction::walkOnce(Walk& walk, bool mayUseStoredIndex) {
    std::vector<Uuid> newest;
    std::unordered_map<Uuid, Pending> pending = this->pending(walk.checksEverything, newest, walk.damaged);
    walk.journalHasSteps = !file_.journal_.lines().empty();

    const FileDescriptor file(::open(file_.location_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    walk.fileExists = file.isOpen() || errno != ENOENT;
    const Index* index = nullptr;
    if (file.isOpen()) {
        try {
            index = &this->index(file.get(), mayUseStoredIndex);
        } catch (const PlatformError&) {
        }
    }
    walk.fileIsArray = !walk.fileExists || (index != nullptr && index->isArray);
    std::unordered_set<Uuid> inFile;
    if (index != nullptr) {
        for (const Index::Element& element : index->elements) {
            if (element.id) {
                inFile.insert(*element.id);
            }
        }
    }

    // The journal's record when it can be read, else the one the file holds.
    const auto fromJournal = [&](const Pending& now) -> std::optional<RemovalRecord> {
        auto record = now.decoded ? now.decoded
                      : now.record != nullptr
                          ? file_.journal_.recordOf(*now.record, file_.limits_.largestRecord)
                          : std::nullopt;
        if (record && now.state) {
            record->state = *now.state;
        }
        return record;
    };
    for (const Uuid& id : newest) {
        const Pending& now = pending.at(id);
        if (inFile.contains(id) || !walk.wants(id)) {
            continue;
        }
        if (auto record = fromJournal(now)) {
            walk.each(*record);
        }
    }
    if (index == nullptr || !index->isArray) {
        return;
    }
    for (const Index::Element& element : index->elements) {
        if (!element.id || element.tooLong) {
            if (walk.checksEverything) {
                walk.unreadable(file.get(), element,
                                element.tooLong
                                    ? std::string_view()
                                    : std::string_view(readText(file.get(), element.offset, element.length,
                                                                file_.location_)));
            }
            continue;
        }
        const auto now = pending.find(*element.id);
        if ((now != pending.end() && now->second.forgotten) || !walk.wants(*element.id)) {
            continue;
        }
        std::optional<RemovalRecord> record = now != pending.end() ? fromJournal(now->second) : std::nullopt;
        if (!record) {
            const std::string text = readText(file.get(), element.offset, element.length, file_.location_);
            record = HistoryFormat::decodeElement(text, element.depth);
            if (index->stored && (!record || record->id != *element.id)) {
                throw StaleIndex{};
            }
            if (!record) {
                if (walk.checksEverything) {
                    walk.unreadable(file.get(), element, text);
                }
                continue;
            }
            if (now != pending.end() && now->second.state) {
                record->state = *now->second.state;
            }
        }
        walk.each(*record);
    }
}

bool HistoryFile::Transaction::needsFold() {
    file_.journal_.lines();
    return !file_.journal_.exists() && FileOperations::exists(file_.location_);
}

std::vector<Uuid> HistoryFile::Transaction::unsettled() {
    std::vector<Uuid> newest;
    std::vector<const HistoryJournal::Line*> damaged;
    std::vector<Uuid> ids;
    for (const auto& [id, now] : pending(false, newest, damaged)) {
        if (!now.forgotten && now.state && isUnsettled(*now.state)) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::vector<RemovalRecord> HistoryFile::Transaction::records(bool* sawUnreadable) {
    std::vector<RemovalRecord> records;
    Walk walk;
    walk.checksEverything = sawUnreadable != nullptr;
    bool unreadable = false;
    walk.each = [&records](RemovalRecord& record) { records.push_back(std::move(record)); };
    walk.unreadable = [&unreadable](int, const Index::Element&, std::string_view) { unreadable = true; };
    walk.restart = [&] {
        records.clear();
        unreadable = false;
    };
    this->walk(walk);
    if (sawUnreadable != nullptr) {
        *sawUnreadable = unreadable || !walk.damaged.empty() || !walk.fileIsArray;
    }
    return walk.fileIsArray ? records : std::vector<RemovalRecord>{};
}

bool HistoryFile::Transaction::hasSteps() {
    return !file_.journal_.lines().empty();
}

std::optional<RemovalRecord> HistoryFile::Transaction::find(const Uuid& id) {
    std::optional<RemovalRecord> found;
    Walk walk;
    walk.wants = [&](const Uuid& candidate) { return candidate == id && !found; };
    walk.each = [&found](RemovalRecord& record) { found = std::move(record); };
    walk.restart = [&found] { found.reset(); };
    this->walk(walk);
    return walk.fileIsArray ? found : std::nullopt;
}

std::vector<RemovalRecord> HistoryFile::Transaction::startingWith(std::string_view prefix) {
    std::vector<RemovalRecord> records;
    Walk walk;
    walk.wants = [prefix](const Uuid& id) { return id.string().starts_with(prefix); };
    walk.each = [&records](RemovalRecord& record) { records.push_back(std::move(record)); };
    walk.restart = [&records] { records.clear(); };
    this->walk(walk);
    return walk.fileIsArray ? records : std::vector<RemovalRecord>{};
}

void HistoryFile::Transaction::append(const Step& step) {
    file_.journal_.append(step);
}

bool HistoryFile::Transaction::journalIsLong() const {
    return file_.journal_.size() > file_.limits_.journalFoldSize;
}

HistoryFile::Outcome HistoryFile::Transaction::fold(const Fold& fold, bool always) {
    return write(fold, always, nullptr);
}

HistoryFile::Outcome HistoryFile::Transaction::write(const Fold& fold, bool always,
                                                     const std::vector<RemovalRecord>* instead) {
    Outcome outcome;
    const fs::path& location = file_.location_;
    bool changed = always;
    std::vector<Step> carried;
    std::optional<FileOperations::Replacement> replacement;
    KeptAside records(location);
    bool first = true;
    try {
        replacement.emplace(location);
        replacement->write("[");
        const auto add = [&](const RemovalRecord& record) {
            if (isUnsettled(record.state)) {
                carried.push_back(Step::put(record));
            }
            replacement->write(first ? "" : ",");
            replacement->write(HistoryFormat::encode(record));
            first = false;
        };
        Walk walk;
        walk.checksEverything = true;
        walk.each = [&](RemovalRecord& record) {
            const RemovalRecord before = record;
            if (!fold(record)) {
                changed = true;
                return;
            }
            changed = changed || record != before;
            add(record);
        };
        walk.unreadable = [&](int descriptor, const Index::Element& element, std::string_view text) {
            records.write(records.isOpen() ? "," : "[");
            if (element.tooLong) {
                readRange(descriptor, element.offset, element.length, location,
                          [&records](std::string_view piece) { records.write(piece); });
            } else {
                records.write(text);
            }
            ++outcome.recordsKeptAside;
        };
        this->walk(walk);
        if (instead != nullptr) {
            std::for_each(instead->begin(), instead->end(), add);
        }
        replacement->write("]");

        // What cannot be read is put out of the way before anything is written over it.
        changed = changed || walk.journalHasSteps || !walk.damaged.empty() || !walk.fileIsArray ||
                  outcome.recordsKeptAside > 0 || (walk.fileExists && !file_.journal_.exists());
        if (!changed) {
            return {};
        }
        if (!walk.fileIsArray) {
            outcome.fileWasUnreadable = true;
            outcome.recordsKeptAside = 0;
            outcome.keptAside = keepFileAside(location);
            if (!outcome.keptAside) {
                outcome.failure = "what it holds could not be read, and could not be kept aside";
                return outcome;
            }
        } else if (records.isOpen()) {
            records.write("]");
            outcome.keptAside = records.keep();
        }
        if (!walk.damaged.empty()) {
            KeptAside steps(file_.journal_.location());
            for (const HistoryJournal::Line* line : walk.damaged) {
                steps.write(file_.journal_.textOf(*line) + "\n");
            }
            outcome.stepsKeptAside = steps.keep();
            outcome.damagedSteps = walk.damaged.size();
        }
        replacement->commit();
        ::unlink(file_.indexLocation().c_str()); // it describes the file just replaced
        // Should this be cut short, the journal's steps are taken again: each leaves the record as it is.
        file_.journal_.replace(carried);
        outcome.written = true;
    } catch (const PlatformError& error) {
        outcome.failure = error.message();
    } catch (const std::exception& error) {
        outcome.failure = location.string() + ": " + error.what();
    }
    return outcome;
}

HistoryFile::Outcome HistoryFile::Transaction::clear(const std::function<bool(const RemovalRecord&)>& keep) {
    Outcome outcome =
        fold([&keep](RemovalRecord& record) { return isUnsettled(record.state) && keep(record); }, true);
    if (!outcome.written) {
        return outcome;
    }
    try {
        if (file_.journal_.lines().empty()) {
            if (::unlink(file_.location_.c_str()) != 0 && errno != ENOENT) {
                throw PlatformError::fromErrno(errno, "delete", file_.location_);
            }
            file_.journal_.remove();
        }
    } catch (const PlatformError& error) {
        outcome.written = false;
        outcome.failure = error.message();
    }
    return outcome;
}

} // namespace tarnwick
