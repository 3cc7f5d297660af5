// Any bytes into the DER entitlements decoder. What it accepts must come back equal after being encoded
// again by the demo writer and decoded once more.
#include "FuzzCheck.h"
#include "demo/MachOWriter.h"
#include "formats/DerEntitlements.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    const auto decoded = DerEntitlements::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!decoded) {
        return 0;
    }
    const auto again = DerEntitlements::decode(MachOWriter::derEntitlements(*decoded));
    check(again && *again == *decoded, "DER round trip failed");
    return 0;
}
