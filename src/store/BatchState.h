#pragma once

#include "catalogue/InstalledApp.h"
#include "store/FindingsState.h"
#include "store/ListChange.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick {

// Several applications chosen together: one section per application, in the order chosen, each with its
// own findings, choice and scan, as a single selection has them. Empty unless more than one is chosen.
// Sections come and go as rows of the list of sections.
class BatchState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool isEmpty() const { return sections_.empty(); }
    std::size_t size() const { return sections_.size(); }
    const FindingsState& section(std::size_t row) const { return *sections_[row]; }
    FindingsState& section(std::size_t row) { return *sections_[row]; }
    // The section of the application with the identity `appID`; null when none shows it.
    FindingsState* sectionOf(const std::string& appID) const;
    // The position of `section`; -1 when it is none of these.
    int rowOf(const FindingsState& section) const;
    std::vector<InstalledApp> apps() const;
    bool isScanning() const;
    std::size_t chosenCount() const;
    std::int64_t chosenBytes() const;

    // New sections for `apps`, each waiting for its scan; none for an empty list.
    void show(const std::vector<InstalledApp>& apps);
    void clear() { show({}); }
    // Takes the section of `appID` away, as after its application went to the Trash.
    void remove(const std::string& appID);

signals:
    void sectionsChanged(tarnwick::ListChange change);
    // Something of a section changed: its findings, their choice or its scan.
    void sectionChanged(int row);

private:
    std::vector<std::unique_ptr<FindingsState>> sections_;
};

} // namespace tarnwick
