#pragma once

#include <QMetaType>

namespace tarnwick {

// How a published list changed, so that each view can change the rows concerned and nothing else. Rows are
// positions in the list: for `removed` as it was before the change, for the others as it is after.
struct ListChange {
    enum class Kind {
        reset,    // a new list: anything may have changed
        inserted, // rows first..last are new
        removed,  // rows first..last are gone
        changed,  // rows first..last have new values for `field`, and the same identity
    };
    // What a change of values touched.
    enum class Field { any, size, choice };

    Kind kind = Kind::reset;
    int first = 0;
    int last = -1;
    Field field = Field::any;

    static ListChange all() { return {}; }
    static ListChange insertedRows(int first, int last) { return {Kind::inserted, first, last}; }
    static ListChange removedRows(int first, int last) { return {Kind::removed, first, last}; }
    static ListChange changedRows(int first, int last, Field field) {
        return {Kind::changed, first, last, field};
    }

    friend bool operator==(const ListChange&, const ListChange&) = default;
};

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::ListChange)
