#pragma once

// officesoak's fuzz mode: seeded late-bound calls over every member of the module's type library that the
// provider's objects answer (the Messenger object, its contacts and services, the UC client, self, contact
// manager, contacts, subscriptions, automation, dictionaries and whatever objects the calls hand back),
// with random argument counts and VARIANTs, and the virtual-table members that take arrays with random
// SAFEARRAYs. Every call must return (a call that has not after 20 s ends the process: exit 3); afterwards
// the known answers must still be right. Prints the seed first, then its figures.

#include "soak/OfficeOptions.h"

#include "common/ConsoleOutput.h"

namespace soak {

int runOfficeFuzz(const OfficeOptions& options, tools::ConsoleOutput& output);

} // namespace soak
