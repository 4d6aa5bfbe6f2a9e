#include "logging/Results.h"

#include <new>

namespace logging {
namespace detail {

HRESULT resultOfCaughtException(const CallSite& site)
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        TAVO_LOG_AT(site, 4, "Out of memory");
        return E_OUTOFMEMORY;
    } catch (...) {
        TAVO_LOG_AT(site, 4, "Unexpected exception");
        return E_FAIL;
    }
}

} // namespace detail
} // namespace logging
