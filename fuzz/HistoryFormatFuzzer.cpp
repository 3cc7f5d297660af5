// Any bytes into the history reader. Whatever it accepts must be complete (every element of the array a
// record or set apart as it was written, every pair of a record kept), written on one line, and read back
// equal.
#include "FuzzCheck.h"
#include "removal/HistoryFormat.h"

#include <cstdint>
#include <nlohmann/json.hpp>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto decoded = HistoryFormat::decode(text);
    if (!decoded) {
        return 0;
    }
    // The same text read plainly, where it can be: every element is a record or is set apart.
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (!document.is_discarded()) {
        check(document.is_array() && document.size() == decoded->records.size() + decoded->unreadable.size(),
              "records went missing");
    }
    for (const std::string& apart : decoded->unreadable) {
        check(!apart.empty() && text.find(apart) != std::string_view::npos,
              "a record set apart is not as written");
    }

    const std::string encoded = HistoryFormat::encode(decoded->records);
    check(encoded.find_first_of("\r\n") == std::string::npos, "line break in the written text");
    const auto again = HistoryFormat::decode(encoded);
    check(again.has_value() && again->unreadable.empty(), "written text not readable");
    check(again->records == decoded->records, "records differ after being written and read");
    return 0;
}
