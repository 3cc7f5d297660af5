#include "residuals/ResidualCategory.h"

#include <algorithm>

namespace tarnwick {
namespace {

struct CategoryTexts {
    ResidualCategory category;
    std::string_view rawValue;
    std::string_view symbol;
};

constexpr std::array<CategoryTexts, residualCategoryCount> categoryTexts{{
    {ResidualCategory::application, "Application", "app.dashed"},
    {ResidualCategory::userData, "User Data", "person.crop.circle"},
    {ResidualCategory::support, "Application Support", "folder"},
    {ResidualCategory::library, "Library", "books.vertical"},
    {ResidualCategory::applicationScripts, "Application Scripts", "scroll"},
    {ResidualCategory::cache, "Caches", "bolt.horizontal.circle"},
    {ResidualCategory::preferences, "Preferences", "slider.horizontal.3"},
    {ResidualCategory::container, "Containers", "shippingbox"},
    {ResidualCategory::state, "Saved State", "clock.arrow.circlepath"},
    {ResidualCategory::web, "Web & Network", "network"},
    {ResidualCategory::service, "Services", "gearshape.2"},
    {ResidualCategory::logs, "Logs", "doc.text.magnifyingglass"},
    {ResidualCategory::crashReports, "Crash Reports", "exclamationmark.triangle"},
    {ResidualCategory::other, "Other", "doc"},
}};

// The table is indexed by position; a missing or misplaced row would shift every text after it.
constexpr bool rowsFollowDeclarationOrder() {
    for (std::size_t index = 0; index < categoryTexts.size(); ++index) {
        if (position(categoryTexts[index].category) != index) {
            return false;
        }
    }
    return true;
}
static_assert(rowsFollowDeclarationOrder());

const CategoryTexts& textsOf(ResidualCategory category) {
    return categoryTexts[position(category)];
}

} // namespace

std::string_view rawValue(ResidualCategory category) {
    return textsOf(category).rawValue;
}

std::string_view symbol(ResidualCategory category) {
    return textsOf(category).symbol;
}

std::optional<ResidualCategory> residualCategory(std::string_view text) {
    const auto row = std::find_if(categoryTexts.begin(), categoryTexts.end(),
                                  [text](const CategoryTexts& texts) { return texts.rawValue == text; });
    if (row == categoryTexts.end()) {
        return std::nullopt;
    }
    return row->category;
}

} // namespace tarnwick

std::size_t
std::hash<tarnwick::ResidualCategory>::operator()(tarnwick::ResidualCategory category) const noexcept {
    return std::hash<std::string_view>{}(tarnwick::rawValue(category));
}
