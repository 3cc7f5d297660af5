// Any bytes as a bundle cache entry, which any process of the user can write. Besides not crashing, what
// the reader accepts must be what a reading of a bundle could give: nested programs inside the bundle,
// and an entry that writes back to the same bytes.
#include "FuzzCheck.h"
#include "catalogue/BundleCacheEntry.h"
#include "platform/Location.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto entry = tarnwick::BundleCacheEntry::decode(bytes);
    if (!entry) {
        return 0;
    }
    for (const auto& program : entry->reading.nested) {
        check(tarnwick::Location::contains(entry->bundle, program.location),
              "nested program outside the bundle");
    }
    check(tarnwick::BundleCacheEntry::decode(entry->encode()) == entry,
          "entry that does not survive being written again");
    return 0;
}
