#include "removal/TrashName.h"

#include "platform/Location.h"

namespace tarnwick::TrashName {

std::string candidate(const std::filesystem::path& item, int attempt, std::size_t limit) {
    const std::string name = Location::lastComponent(item);
    const std::string extension = Location::extension(item);
    const std::string stem = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
    const std::string ending =
        (attempt == 1 ? "" : " " + std::to_string(attempt)) + (extension.empty() ? "" : "." + extension);
    if (stem.size() + ending.size() <= limit) {
        return stem + ending;
    }
    std::size_t keep = ending.size() < limit ? limit - ending.size() : 0;
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    return stem.substr(0, keep) + ending;
}

} // namespace tarnwick::TrashName
