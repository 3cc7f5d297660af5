#pragma once

#include "catalogue/InstalledApp.h"
#include "formats/PlistValue.h"

#include <string>
#include <vector>

namespace tarnwick {

// A kind of document an application declares it can open.
struct DocumentType {
    std::string name;                    // trimmed, never empty
    std::vector<std::string> extensions; // as declared, without empty ones and "*"

    // The name, "|" and the extensions joined with ",": two types of one name with different
    // extensions are two entries.
    std::string id() const;

    // The extensions, each with a leading ".", joined with ", " (".txt, .text"); empty when there are none.
    std::string extensionList() const;

    friend bool operator==(const DocumentType&, const DocumentType&) = default;
};

// What an application's information dictionary says about how it presents itself: whether it has a
// Dock icon and which documents it opens. Informational only.
struct ApplicationMetadata {
    bool showsDockIcon = true;
    std::vector<DocumentType> documentTypes;

    // Never fails: a bundle that cannot be opened, or lacks the keys, reads as an ordinary application
    // that declares no document types.
    static ApplicationMetadata read(const InstalledApp& app);
    static ApplicationMetadata from(const PlistValue::Dictionary& info);

    friend bool operator==(const ApplicationMetadata&, const ApplicationMetadata&) = default;
};

} // namespace tarnwick
