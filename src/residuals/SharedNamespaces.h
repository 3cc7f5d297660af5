#pragma once

#include <string_view>

namespace tarnwick::ResidualScanner {

// A namespace of bundle identifiers that many developers use ("com.github."): that a name lies in it tells
// nothing about who made it.
struct SharedNamespace {
    std::string_view prefix; // the first two components and a dot, lowercased
    std::string_view whose;  // why many use it, as a reason shows it ("lent by GitHub to ...")
};

// The shared namespace that `vendorPrefix` ("com.vendor.", lowercased) is; null when it is a developer's
// own.
const SharedNamespace* sharedNamespace(std::string_view vendorPrefix);

} // namespace tarnwick::ResidualScanner
