#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstdint>
#include <optional>

namespace extensionsutils {

// The apartment that an event sink or callback object lives in, as COM names it: the OXID (object exporter
// id, one per apartment) of the standard object reference that marshaling the object's proxy writes. Two
// sinks with the same OXID are called by one apartment, one call after another.
//
// Only a proxy is marshaled: it is recognised by answering IClientSecurity, which the proxy manager answers
// itself, so the probe never calls Office to find out and never exports an object of this process. `held`
// must be an interface the caller already holds the object by (so its proxy exists): table-weak marshaling
// then writes the proxy's own reference without a call to Office; where COM refuses table-marshaling a
// proxy (Windows answers E_INVALIDARG), it is marshaled normally and the marshaled data released again.
//
// Empty when the object is not a proxy or its reference cannot be read. Any thread with COM initialised.
std::optional<std::uint64_t> sinkApartment(IUnknown* sink, REFIID held);

} // namespace extensionsutils
