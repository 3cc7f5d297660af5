// Any argument list into the administrator helper's reader, as an unprivileged process could pass it to a
// helper running as root. Whatever it accepts must be what writing that request gives back.
#include "FuzzCheck.h"
#include "removal/AdminProtocol.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    // Arguments are separated by NUL, as they are in the process's memory.
    std::vector<std::string> arguments(1);
    for (std::size_t index = 0; index < size; ++index) {
        if (data[index] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<char>(data[index]);
        }
    }
    const auto request = AdminProtocol::request(arguments);
    check(!request || AdminProtocol::arguments(*request) == arguments,
          "a request read is not the one its arguments write");
    return 0;
}
