#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Reads the embedded code signature of a Mach-O executable: the team identifier and the two entitlement
// blobs. The file is untrusted: every offset, length and count is checked before it is used, and only the
// header, the fat table, the load commands as far as the signature's and the parts of the signature that
// matter are read, in aligned blocks of 16 KiB: a small executable costs two or three reads, a large one
// a few more, and tens of kilobytes however large it is.
namespace MachOSignatureReader {

struct Signature {
    std::optional<std::string> teamID{};          // absent for ad-hoc and linker signatures
    std::optional<std::string> xmlEntitlements{}; // the property list, without the blob header
    std::optional<std::string> derEntitlements{}; // the DER encoding, without the blob header
    bool operator==(const Signature&) const = default;
};

// Random access to bytes the reader does not trust.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `destination` with the `length` bytes at `offset`; false when they cannot all be read.
    virtual bool read(std::uint64_t offset, char* destination, std::size_t length) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes)
        : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, char* destination, std::size_t length) override;

private:
    std::string_view bytes_;
};

// Positioned reads on an open descriptor, which stays the caller's. Counts what it reads.
class FileSource final : public ByteSource {
public:
    explicit FileSource(int descriptor); // size 0 when the descriptor is not a regular file
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, char* destination, std::size_t length) override;

    std::uint64_t bytesRead() const { return bytesRead_; }
    std::uint64_t readCalls() const { return readCalls_; }

private:
    int descriptor_;
    std::uint64_t size_ = 0;
    std::uint64_t bytesRead_ = 0;
    std::uint64_t readCalls_ = 0;
};

// Nothing when the bytes are no Mach-O file, carry no signature, or anything on the way is malformed.
std::optional<Signature> read(ByteSource& source);

// The same for a regular file (links followed); nothing for anything else.
std::optional<Signature> read(const std::filesystem::path& file);

} // namespace MachOSignatureReader
} // namespace tarnwick
