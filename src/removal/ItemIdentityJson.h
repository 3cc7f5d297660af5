#pragma once

#include "platform/OpenFolder.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace tarnwick {

// The JSON form of what an item is, as the history and the administrator helper's ledger both write it:
// {"device", "inode", "kind" ("file", "folder", "link" or "other"), "birth"}.
namespace ItemIdentityJson {

nlohmann::ordered_json toJson(const ItemIdentity& identity);

// Nothing when `value` is not such an object; "birth" may be absent.
std::optional<ItemIdentity> fromJson(const nlohmann::json& value);

} // namespace ItemIdentityJson
} // namespace tarnwick
