#pragma once

// Seeded arguments for calls that Office should never make but a broken caller might: every VARIANT type
// the members take and some they do not, empty, null, 1 MB and unpaired-surrogate strings, and SAFEARRAYs
// of every element type with odd shapes (no elements, two dimensions, lower bounds far from 0). The same
// seed gives the same values, so that a failure can be replayed.

#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include <oaidl.h>

#include <random>
#include <vector>

namespace soak {

class FuzzValues {
public:
    explicit FuzzValues(unsigned seed) : random_(seed) {}

    unsigned next(unsigned bound) { return static_cast<unsigned>(random_() % bound); }

    // Any argument; `objects` are what a VT_DISPATCH may hold (besides null).
    extensionsutils::Variant anyValue(const std::vector<IDispatch*>& objects);
    // An argument of the declared type most of the time, any argument otherwise.
    extensionsutils::Variant valueFor(VARTYPE declared, const std::vector<IDispatch*>& objects);
    // A SAFEARRAY of a random element type and shape (null now and then).
    SAFEARRAY* anyArray();
    long anyLong();
    std::wstring anyString();

private:
    std::mt19937 random_;
};

} // namespace soak
