#include "session/ReportJson.h"

namespace tarnwick::ReportJson {

nlohmann::ordered_json appJson(const InstalledApp& app) {
    return {{"path", app.url.string()},     {"name", app.name},
            {"bundleID", app.bundleID},     {"version", app.version},
            {"size", app.size.value_or(0)}, {"isSystem", app.isSystem}};
}

nlohmann::ordered_json itemJson(const ResidualItem& item) {
    return {
        {"path", item.url.native()},           {"size", item.size},     {"category", rawValue(item.category)},
        {"confidence", name(item.confidence)}, {"reason", item.reason}, {"selected", item.selected}};
}

nlohmann::ordered_json itemsJson(const std::vector<ResidualItem>& items) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& item : items) {
        list.push_back(itemJson(item));
    }
    return list;
}

} // namespace tarnwick::ReportJson
