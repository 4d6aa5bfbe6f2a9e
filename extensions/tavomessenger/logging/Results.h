#pragma once

// One line per failure: a member answers a failure with its log line and its result together, and the
// line is logged under the member's own name and place, because the macros expand where the member is
// written.
//
//     if (!services) return TAVO_FAIL(4, "messengerServices is NULL", E_FAIL);
//     TAVO_RETURN_IF_FAILED(host->Read(value.out()), 4, "host->Read failed");
//
// Exceptions become results once, at the COM boundary of each member that can meet one (an allocation in
// the standard library), so that none unwinds into Office or the host:
//
//     HRESULT Thing::Member(BSTR* result)
//     try {
//         ...
//     }
//     TAVO_CATCH_RETURN
//
// Threads: any.

#include "logging/Logging.h"

#include <windows.h>

namespace logging {
namespace detail {

// Writes the text that `text(stream)` builds at the level, and answers `result`.
template <class Text, class Result>
Result failed(const CallSite& site, int level, const Text& text, Result result)
{
    writeBuilt(site, level, text);
    return result;
}

// Inside a catch block: the result of the exception being handled, logged at level 4 under `site`:
// E_OUTOFMEMORY for std::bad_alloc, E_FAIL for anything else.
HRESULT resultOfCaughtException(const CallSite& site);

} // namespace detail
} // namespace logging

// Logs the text at the level and yields `result` (any type: an HRESULT, false, a null pointer). The call
// site is taken here, in the member; the lambda only builds the text.
#define TAVO_FAIL(level, streamExpression, result)                                                          \
    ::logging::detail::failed(TAVO_CALL_SITE, (level),                                                     \
                              [&](::std::ostream& tavoText) { tavoText << streamExpression; }, (result))

// Returns the expression's HRESULT from the calling member, after the log line, when it is a failure.
#define TAVO_RETURN_IF_FAILED(hrExpression, level, streamExpression)                                        \
    do {                                                                                                   \
        const HRESULT tavoResult = (hrExpression);                                                         \
        if (FAILED(tavoResult)) return TAVO_FAIL(level, streamExpression, tavoResult);                     \
    } while (false)

// The handler of a member's function-try-block: an exception leaves as its result, with its log line.
#define TAVO_CATCH_RETURN                                                                                  \
    catch (...)                                                                                            \
    {                                                                                                      \
        return ::logging::detail::resultOfCaughtException(TAVO_CALL_SITE);                                 \
    }
