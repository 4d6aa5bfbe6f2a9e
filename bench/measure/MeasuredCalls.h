#pragma once

// The calls Office makes most, measured on the module and on the bare provider in interleaved rounds:
// get_MyStatus; GetContact + get_Status + Release; the UC contact's GetContactInformation(availability);
// and the late-bound Invoke of MyStatus. Each round times `iterations` calls of one side, then of the
// other, the order alternating from round to round, after one warm-up round that is not counted.

#include "measure/Interleave.h"
#include "measure/ProviderObjects.h"

#include <string>
#include <vector>

namespace bench {

// One row per call, numbered `row`, each figure named with `where` ("cross-process", "in-process").
std::vector<RatioRow> measureCalls(const ProviderObjects& module, const ProviderObjects& bare, const std::string& row,
                                   const std::string& where, RoundPlan plan);

// The four calls themselves, for programs that count what one call costs the host.
HRESULT callMyStatus(IMessenger* messenger);
HRESULT callContactStatus(IMessenger* messenger);
HRESULT callAvailability(IUCCContact* contact);
HRESULT callLateBoundMyStatus(IMessenger* messenger);

} // namespace bench
