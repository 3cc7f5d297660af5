#include "removal/AdminScript.h"

namespace tarnwick::AdminScript {

namespace {

constexpr std::string_view sourcePrefix = "do shell script \"";
constexpr std::string_view sourceSuffix = "\" with administrator privileges";

} // namespace

std::string quoted(std::string_view path) {
    std::string result = "'";
    for (const char character : path) {
        if (character == '\'') {
            result += "'\\''";
        } else {
            result += character;
        }
    }
    return result + "'";
}

std::string moveCommand(std::string_view source, std::string_view destination) {
    return "/bin/mv -- " + quoted(source) + " " + quoted(destination);
}

std::string source(std::string_view command) {
    std::string escaped;
    for (const char character : command) {
        if (character == '\\' || character == '"') {
            escaped += '\\';
        }
        escaped += character;
    }
    return std::string(sourcePrefix) + escaped + std::string(sourceSuffix);
}

std::optional<std::string> command(std::string_view scriptSource) {
    if (!scriptSource.starts_with(sourcePrefix) || !scriptSource.ends_with(sourceSuffix) ||
        scriptSource.size() < sourcePrefix.size() + sourceSuffix.size()) {
        return std::nullopt;
    }
    const std::string_view escaped = scriptSource.substr(
        sourcePrefix.size(), scriptSource.size() - sourcePrefix.size() - sourceSuffix.size());
    std::string result;
    for (std::size_t index = 0; index < escaped.size(); ++index) {
        if (escaped[index] == '"') {
            return std::nullopt; // an unescaped quote would have ended the script's string
        }
        if (escaped[index] == '\\') {
            if (++index == escaped.size() || (escaped[index] != '\\' && escaped[index] != '"')) {
                return std::nullopt;
            }
        }
        result += escaped[index];
    }
    return result;
}

} // namespace tarnwick::AdminScript
