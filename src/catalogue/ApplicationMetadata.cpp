#include "catalogue/ApplicationMetadata.h"

#include "catalogue/Bundle.h"
#include "platform/Text.h"

namespace tarnwick {
namespace {

// A flag counts only as a boolean true or a non-zero number; text such as "1" or "YES" does not, as the
// system itself ignores it.
bool isSet(const PlistValue::Dictionary& info, std::string_view key) {
    const auto found = info.find(key);
    if (found == info.end()) {
        return false;
    }
    const PlistValue& value = found->second;
    if (const bool* flag = value.asBool()) {
        return *flag;
    }
    if (const std::int64_t* number = value.asInteger()) {
        return *number != 0;
    }
    if (const double* number = value.asReal()) {
        return *number != 0;
    }
    return false;
}

std::vector<std::string> declaredExtensions(const PlistValue::Dictionary& type) {
    std::vector<std::string> extensions;
    const auto found = type.find("CFBundleTypeExtensions");
    if (found == type.end() || found->second.asArray() == nullptr) {
        return extensions;
    }
    for (const PlistValue& element : *found->second.asArray()) {
        const std::string* extension = element.asString();
        // A list holding something other than text is malformed as a whole.
        if (extension == nullptr) {
            return {};
        }
        if (!extension->empty() && *extension != "*") {
            extensions.push_back(*extension);
        }
    }
    return extensions;
}

} // namespace

std::string DocumentType::id() const {
    std::string result = name + "|";
    for (std::size_t index = 0; index < extensions.size(); ++index) {
        result += (index == 0 ? "" : ",") + extensions[index];
    }
    return result;
}

std::string DocumentType::extensionList() const {
    std::string result;
    for (const auto& extension : extensions) {
        result += (result.empty() ? "." : ", .") + extension;
    }
    return result;
}

ApplicationMetadata ApplicationMetadata::from(const PlistValue::Dictionary& info) {
    ApplicationMetadata metadata;
    metadata.showsDockIcon = !isSet(info, "LSUIElement") && !isSet(info, "LSBackgroundOnly");

    const auto types = info.find("CFBundleDocumentTypes");
    if (types == info.end() || types->second.asArray() == nullptr) {
        return metadata;
    }
    // Entries are judged one by one, so one malformed entry hides only itself.
    for (const PlistValue& entry : *types->second.asArray()) {
        const PlistValue::Dictionary* type = entry.asDictionary();
        if (type == nullptr) {
            continue;
        }
        const auto name = stringValue(*type, "CFBundleTypeName");
        if (!name) {
            continue;
        }
        std::string trimmedName = Text::trimmed(*name);
        if (trimmedName.empty()) {
            continue;
        }
        metadata.documentTypes.push_back({std::move(trimmedName), declaredExtensions(*type)});
    }
    return metadata;
}

ApplicationMetadata ApplicationMetadata::read(const InstalledApp& app) {
    const auto bundle = Bundle::openInformation(app.url);
    if (!bundle || !bundle->infoDictionary()) {
        return from({});
    }
    return from(*bundle->infoDictionary());
}

} // namespace tarnwick
