#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the run with `what` when a property every accepted input must have does not hold: libFuzzer keeps
// the input that did it.
inline void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}
