#include "removal/ItemIdentityJson.h"

#include <array>
#include <string_view>
#include <utility>

namespace tarnwick::ItemIdentityJson {

namespace {

constexpr std::array<std::pair<ItemIdentity::Kind, std::string_view>, 4> kindNames{{
    {ItemIdentity::Kind::file, "file"},
    {ItemIdentity::Kind::folder, "folder"},
    {ItemIdentity::Kind::link, "link"},
    {ItemIdentity::Kind::other, "other"},
}};

std::optional<std::uint64_t> unsignedMember(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_unsigned()) {
        return std::nullopt;
    }
    return found->get<std::uint64_t>();
}

} // namespace

nlohmann::ordered_json toJson(const ItemIdentity& identity) {
    std::string_view kind;
    for (const auto& [candidate, name] : kindNames) {
        if (candidate == identity.kind) {
            kind = name;
        }
    }
    return {
        {"device", identity.device}, {"inode", identity.inode}, {"kind", kind}, {"birth", identity.birth}};
}

std::optional<ItemIdentity> fromJson(const nlohmann::json& value) {
    if (!value.is_object()) {
        return std::nullopt;
    }
    const auto device = unsignedMember(value, "device");
    const auto inode = unsignedMember(value, "inode");
    const auto kindName = value.find("kind");
    std::optional<ItemIdentity::Kind> kind;
    if (kindName != value.end() && kindName->is_string()) {
        for (const auto& [candidate, name] : kindNames) {
            if (name == kindName->get<std::string>()) {
                kind = candidate;
            }
        }
    }
    const auto birth = value.find("birth");
    if (!device || !inode || !kind || (birth != value.end() && !birth->is_number_integer())) {
        return std::nullopt;
    }
    return ItemIdentity{*device, *inode, *kind, birth == value.end() ? 0 : birth->get<std::int64_t>()};
}

} // namespace tarnwick::ItemIdentityJson
