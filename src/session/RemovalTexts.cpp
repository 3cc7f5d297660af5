#include "session/RemovalTexts.h"

#include "catalogue/ByteFormat.h"
#include "platform/Text.h"

#include <cmath>
#include <ctime>

namespace tarnwick::RemovalTexts {

std::string english(const CountedText& text, std::size_t count,
                    std::initializer_list<std::string_view> arguments) {
    const std::string_view form = count == 1 ? text.one : text.other;
    std::string result;
    for (std::size_t at = 0; at < form.size(); ++at) {
        if (form[at] == '%' && form.substr(at, 3) == "%Ln") {
            result += std::to_string(count);
            at += 2;
        } else if (form[at] == '%' && at + 1 < form.size() && form[at + 1] >= '1' && form[at + 1] <= '9' &&
                   static_cast<std::size_t>(form[at + 1] - '1') < arguments.size()) {
            result += *(arguments.begin() + (form[at + 1] - '1'));
            ++at;
        } else {
            result += form[at];
        }
    }
    return result;
}

std::string confirmationMessage(std::size_t count, std::int64_t bytes) {
    return english(confirmation, count, {ByteFormat::string(bytes)});
}

std::string appSummary(std::string_view appName, std::size_t count, std::int64_t bytes) {
    return std::string(appName) + " \u2014 " + itemCount(count) + " (" + ByteFormat::string(bytes) + ")";
}

std::string itemCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " item" : " items");
}

std::optional<std::time_t> calendarSeconds(RemovalRecord::Date date) {
    const double seconds = date.time_since_epoch().count();
    constexpr double tenThousandYears = 3.2e11;
    if (!std::isfinite(seconds) || std::abs(seconds) > tenThousandYears) {
        return std::nullopt;
    }
    return static_cast<std::time_t>(std::floor(seconds));
}

std::string dateText(RemovalRecord::Date date) {
    const std::optional<std::time_t> time = calendarSeconds(date);
    std::tm local{};
    char text[64];
    if (!time || localtime_r(&*time, &local) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0) {
        return "unknown date";
    }
    return text;
}

std::string summary(const RemovalRecord& record) {
    return summary(record, dateText(record.date));
}

std::string summary(const RemovalRecord& record, std::string_view date) {
    return english(summaryText, record.items.size(), {ByteFormat::string(record.bytes), date});
}

std::string historyNotCleared(const std::string& reason) {
    return "The removal history could not be cleared (" + reason + ").";
}

std::string historyNotChanged(const std::string& reason) {
    return "The removal history could not be changed (" + reason + ").";
}

std::string keptAsideNotice(const std::string& file) {
    return "Removal history that could not be read is kept in \u201C" + file +
           "\u201D. Tarnwick cannot put back what it recorded; move or delete the file once you no longer "
           "need it.";
}

std::string_view availability(const RemovalRecord& record, bool isRestorable) {
    if (record.state == RemovalRecord::State::restored) {
        return TARNWICK_TEXT("RemovalTexts", "Restored");
    }
    return isRestorable ? std::string_view()
                        : TARNWICK_TEXT("RemovalTexts", "Trash emptied \u2014 cannot restore");
}

std::string runningNote(const std::vector<std::string>& processNames) {
    const bool isOne = processNames.size() == 1;
    return Text::listed(processNames) +
           (isOne ? " is running. Tarnwick will ask it" : " are running. Tarnwick will ask them") +
           " to quit first.";
}

std::string launchJobsNote(const std::vector<LaunchJob>& jobs) {
    std::vector<std::string> labels;
    for (const LaunchJob& job : jobs) {
        labels.push_back(job.label);
    }
    return "Tarnwick will stop " + Text::listed(labels) +
           (jobs.size() == 1 ? " before it moves." : " before they move.");
}

std::string forceQuitQuestion(const std::vector<std::string>& processNames) {
    const bool isOne = processNames.size() == 1;
    return Text::listed(processNames) + " did not quit. Force " + (isOne ? "it" : "them") +
           " to quit? Anything " + (isOne ? "it has" : "they have") + " not saved is lost.";
}

std::string waitingToQuit(const std::vector<std::string>& processNames) {
    return "Waiting for " + Text::listed(processNames) + " to quit\u2026";
}

} // namespace tarnwick::RemovalTexts
