#pragma once

#include "platform/FileDescriptor.h"
#include "platform/Platform.h"
#include "removal/HistoryJournal.h"
#include "removal/RemovalRecord.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnwick {

// The removal history on disk: the file RemovalHistory.json, the record a user may read, and beside it
// the journal of the steps taken since it was last written (RemovalHistory.journal). A step costs one
// short write at the end of the journal, whatever the history holds; the file is written again only
// when the journal is folded into it, atomically, and it is read a record at a time, so that no size
// makes it unreadable. What cannot be read is never written over: an undecodable file, records that are
// no records or are too long to hold in memory, and damaged journal lines are kept aside in files of
// their own. Everything happens in transactions under one lock, shared with other processes through the
// folder. Where each record lies in the file is kept beside it (RemovalHistory.index), so that a command
// finds one record without reading the others; that file is only a cache, checked against the file it
// describes and against each record read through it, and deleting it is always safe.
class HistoryFile {
public:
    static constexpr std::string_view keptAsideSuffix = ".unreadable";

    struct Limits {
        // A longer record is kept aside unread.
        std::size_t largestRecord = std::size_t{256} << 20;
        // A journal past this size is folded once no step of it is under way.
        std::uint64_t journalFoldSize = std::uint64_t{4} << 20;
    };

    // What one change found and did.
    struct Outcome {
        bool written = false;
        std::string failure; // why the history could not be written, in words for the user
        // Where unreadable content was put aside by this change, if any: the whole file when it could not
        // be read at all, else the records that could not be read.
        std::optional<std::filesystem::path> keptAside;
        bool fileWasUnreadable = false;
        std::size_t recordsKeptAside = 0;
        // Where the journal's damaged lines were put aside, and how many.
        std::optional<std::filesystem::path> stepsKeptAside;
        std::size_t damagedSteps = 0;
    };

    using Step = HistoryJournal::Step;
    // What a fold does with each record, newest first: changes it, or drops it by answering false.
    using Fold = std::function<bool(RemovalRecord&)>;

    class Transaction;

    explicit HistoryFile(std::filesystem::path location);
    HistoryFile(std::filesystem::path location, Limits limits);
    ~HistoryFile();

    // "TarnwickCleaner/RemovalHistory.json" in the user's Application Support folder.
    static std::filesystem::path defaultLocation(const Platform& platform);

    const std::filesystem::path& location() const { return location_; }
    std::filesystem::path journalLocation() const;
    std::filesystem::path indexLocation() const;

    // Takes the lock, waiting for whoever holds it; it is let go when the transaction ends.
    Transaction begin();

    // The readable records, newest first, as the file and the journal make them; nothing is written.
    std::vector<RemovalRecord> read();
    // Folds with `change` applied to the whole list.
    Outcome rewrite(const std::function<void(std::vector<RemovalRecord>&)>& change);

    // The files holding what earlier changes kept aside.
    std::vector<std::filesystem::path> keptAsideFiles() const;

private:
    // Where each element of the file lies, and whose record it is, so that one record is read without
    // the others. Kept while the file stays the same.
    struct Index {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = -1;
        std::int64_t changed = 0; // modification time in nanoseconds
        bool isArray = true;
        bool stored = false; // taken from the index file rather than from reading the history itself
        struct Element {
            std::uint64_t offset = 0;
            std::uint64_t length = 0;
            int depth = 0;
            bool tooLong = false;
            std::optional<Uuid> id; // nothing for an element that is no record
        };
        std::vector<Element> elements;

        std::string encode() const;
        // The index `text` holds, when it is whole and fits a file of `size` bytes; nothing otherwise.
        static std::optional<Index> decode(std::string_view text);
    };

    std::filesystem::path location_;
    Limits limits_;
    std::mutex mutex_;
    HistoryJournal journal_;
    Index index_;
};

// One read–change–write of the history, under its lock.
class HistoryFile::Transaction {
public:
    ~Transaction();
    Transaction(Transaction&&) = delete;

    // Whether the lock is held: without the history's folder there is nothing to lock, or to write.
    bool isLocked() const { return folder_.isOpen(); }

    // The journal says which records are unsettled (in progress or being restored) only once the file is
    // its own: a file an older version wrote, or one without its journal, must be folded first.
    bool needsFold();
    // The records the journal leaves unsettled, by identifier.
    std::vector<Uuid> unsettled();

    // Every readable record; `sawUnreadable`, when given, tells whether anything could not be read.
    std::vector<RemovalRecord> records(bool* sawUnreadable = nullptr);
    std::optional<RemovalRecord> find(const Uuid& id);
    // The records whose identifier, in upper case, begins with `prefix`.
    std::vector<RemovalRecord> startingWith(std::string_view prefix);

    // Appends a step, on the disk once this returns. Throws a PlatformError.
    void append(const Step& step);
    bool journalIsLong() const;
    // Whether the journal holds anything, steps or damaged lines.
    bool hasSteps();

    // Writes the file anew with every record passed through `fold`, newest first, and empties the journal
    // but for the records left unsettled. Unless `always`, nothing is written when nothing changed.
    Outcome fold(const Fold& fold, bool always = false);
    // Deletes the file and the journal, keeping only the unsettled records `keep` answers true for.
    Outcome clear(const std::function<bool(const RemovalRecord&)>& keep);

private:
    friend class HistoryFile;
    explicit Transaction(HistoryFile& file);

    struct Pending;
    struct Walk;
    // The journal's steps, taken together: for each record, what it says about it now.
    std::unordered_map<Uuid, Pending> pending(bool checkRecords, std::vector<Uuid>& newest,
                                              std::vector<const HistoryJournal::Line*>& damaged);
    // Where the elements of the open history file lie: known already, else from the index file when
    // `mayUseStored` and it describes this very file, else read from the file and the index file kept.
    const Index& index(int descriptor, bool mayUseStored);
    // A fold that writes `instead`, when given, in place of every record it passes through `fold`.
    Outcome write(const Fold& fold, bool always, const std::vector<RemovalRecord>* instead);
    void walk(Walk& walk);
    void walkOnce(Walk& walk, bool mayUseStoredIndex);

    HistoryFile& file_;
    std::unique_lock<std::mutex> guard_;
    FileDescriptor folder_;
};

} // namespace tarnwick
