// Any bytes into the history reader. Whatever it accepts must be complete (every element of the array a
// record, every pair of a record kept), written on one line, and read back equal.
#include "removal/HistoryFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "history format: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto records = HistoryFormat::decode(text);
    if (!records) {
        return 0;
    }
    // The same text read plainly: a reader that accepts a file must not have dropped part of it.
    const auto document = nlohmann::json::parse(text, nullptr, false);
    check(document.is_array() && document.size() == records->size(), "records went missing");
    for (std::size_t index = 0; index < records->size(); ++index) {
        check(document[index].at("items").size() == (*records)[index].items.size(), "pairs went missing");
    }

    const std::string encoded = HistoryFormat::encode(*records);
    check(encoded.find_first_of("\r\n") == std::string::npos, "line break in the written text");
    const auto again = HistoryFormat::decode(encoded);
    check(again.has_value(), "written text not readable");
    check(*again == *records, "records differ after being written and read");
    return 0;
}
