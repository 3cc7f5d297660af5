#pragma once

#include "formats/PlistValue.h"

#include <optional>
#include <string_view>

namespace tarnwick {

// The DER form of code-signing entitlements: [APPLICATION 16] { INTEGER 1, [CONTEXT 16] { one
// SEQUENCE { UTF8String key, value } per key } }, values being BOOLEAN, INTEGER, UTF8String, SEQUENCE
// (an array) or [CONTEXT 16] (a dictionary).
namespace DerEntitlements {

// Nothing when the bytes are not exactly one well-formed element of that shape: definite, minimal
// lengths inside their parent, at most 64 levels of nesting, at most 65536 elements. A value of any
// other type, or an integer wider than 64 bits, cannot be represented and is left out (its key too);
// the rest is kept. Strings and keys are returned as valid UTF-8.
std::optional<PlistValue::Dictionary> decode(std::string_view bytes);

} // namespace DerEntitlements
} // namespace tarnwick
