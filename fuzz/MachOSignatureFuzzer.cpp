// Any bytes as a Mach-O executable into the signature reader, and what it finds on into the entitlement
// readers. Besides not crashing, the reader must stay inside the file and return bounded results.
#include "FuzzCheck.h"
#include "formats/DerEntitlements.h"
#include "formats/MachOSignatureReader.h"
#include "formats/PropertyList.h"

#include <cstdint>

namespace {

using tarnwick::MachOSignatureReader::ByteSource;

// Counts what the reader asks for, and refuses (loudly) any read outside the bytes.
class CheckedSource final : public ByteSource {
public:
    explicit CheckedSource(std::string_view bytes)
        : inner_(bytes) {}
    std::uint64_t size() const override { return inner_.size(); }
    bool read(std::uint64_t offset, char* destination, std::size_t length) override {
        check(offset <= size() && length <= size() - offset, "read outside the file");
        requested += length;
        return inner_.read(offset, destination, length);
    }
    std::uint64_t requested = 0;

private:
    tarnwick::MachOSignatureReader::MemorySource inner_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    CheckedSource source(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto signature = MachOSignatureReader::read(source);
    // Header, fat table, load commands (1 MiB at most), SuperBlob index and a few blobs (1 MiB each).
    check(source.requested <= (4u << 20), "read far more than the parts it needs");
    if (!signature) {
        return 0;
    }
    if (signature->teamID) {
        check(!signature->teamID->empty() &&
                  signature->teamID->size() <= 3 * 255 && // U+FFFD for each bad byte
                  signature->teamID->find('\0') == std::string::npos,
              "team identifier out of shape");
    }
    if (signature->xmlEntitlements) {
        PropertyList::parse(*signature->xmlEntitlements);
    }
    if (signature->derEntitlements) {
        DerEntitlements::decode(*signature->derEntitlements);
    }
    return 0;
}
