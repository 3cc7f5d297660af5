#include "residuals/CrashReports.h"

#include "catalogue/BundleIdentifier.h"
#include "residuals/WiderReasons.h"

#include <string>
#include <string_view>

namespace tarnwick::ResidualScanner {

namespace {

bool isDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Whether `text` begins with a date as reports write it: "2023-02-27".
bool beginsWithDate(std::string_view text) {
    return text.size() >= 10 && isDigits(text.substr(0, 4)) && text[4] == '-' &&
           isDigits(text.substr(5, 2)) && text[7] == '-' && isDigits(text.substr(8, 2));
}

// Whether `name` is `program`'s report: the program's name, "_" or "-", and a date.
bool isReportOf(std::string_view name, std::string_view program) {
    return !program.empty() && name.size() > program.size() && name.starts_with(program) &&
           (name[program.size()] == '_' || name[program.size()] == '-') &&
           beginsWithDate(name.substr(program.size() + 1));
}

} // namespace

void addCrashReportsByName(const std::vector<LibraryListing>& listings, const NameMatcher& wide,
                           const AppEvidence& evidence, ResidualFindings& found) {
    struct Program {
        std::string_view name; // comparable
        std::string_view shown;
    };
    std::vector<Program> programs;
    for (const std::string& name : evidence.names.names) {
        programs.push_back({name, "the app"});
    }
    programs.push_back({evidence.names.executable, "the app's executable"});

    for (const auto& [location, children, names] : listings) {
        if (!location.holdsCrashReports) {
            continue;
        }
        for (std::size_t index = 0; index < children.size(); ++index) {
            const std::string& name = names[index];
            for (const Program& program : programs) {
                if (!isReportOf(name, program.name) ||
                    (!BundleIdentifier::isApple(wide.bundleID()) && BundleIdentifier::isSystemName(name))) {
                    continue;
                }
                const std::string reason = "Crash report named after " + std::string(program.shown);
                // Reports name the program that crashed, and another application may be called so too.
                if (const std::string_view other = wide.others().calledOrRunAs(program.name);
                    !other.empty()) {
                    found.add(children[index].location(), location.category, MatchConfidence::possible,
                              reason + ", a name " + std::string(other) + " has too" +
                                  std::string(reviewNote),
                              false);
                } else {
                    found.add(children[index].location(), location.category, MatchConfidence::exact, reason,
                              !location.systemWide);
                }
                break;
            }
        }
    }
}

} // namespace tarnwick::ResidualScanner
