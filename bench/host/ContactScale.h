#pragma once

// Scale with the contact list, in the host's own apartment: get_MyContacts + enumerating every contact,
// and GetContact by name (the list's last contact) + Release, for host lists of 100, 1 000 and 10 000
// contacts, module vs bare; then how the time per call grows with the list and the complexity that shows.
//
// Threads: the bench host's thread, in COM's multithreaded apartment.

#include "host/ModuleHost.h"
#include "measure/RatioRow.h"

#include <string>
#include <vector>

namespace bench {

// The rows, and in growthLines the table lines of the growth (empty when a size failed).
std::vector<RatioRow> measureContactScale(ModuleHost& host, bool quick, std::vector<std::string>& growthLines);

} // namespace bench
