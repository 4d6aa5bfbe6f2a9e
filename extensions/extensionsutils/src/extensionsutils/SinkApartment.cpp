#include "extensionsutils/SinkApartment.h"

#include "extensionsutils/ComPtr.h"

#include <objbase.h>
#include <objidl.h>

namespace extensionsutils {

namespace {

// The head of a standard object reference as COM writes it (the DCOM wire format, little-endian): the
// OBJREF header, then the STDOBJREF naming the object's exporter, the object and the interface.
struct StandardObjectReference
{
    ULONG signature;
    ULONG flags;
    GUID iid;
    ULONG standardFlags;
    ULONG publicReferences;
    std::uint64_t oxid;
    std::uint64_t oid;
    GUID ipid;
};

const ULONG objectReferenceSignature = 0x574F454D; // "MEOW"
const ULONG standardReference = 1;

bool rewind(IStream* stream)
{
    const LARGE_INTEGER start = {};
    return SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr));
}

// Marshals the proxy into `stream`; `normal` tells whether the data holds references to give back.
HRESULT marshalProxy(IStream* stream, IUnknown* sink, REFIID held, bool& normal)
{
    normal = false;
    HRESULT hr = CoMarshalInterface(stream, held, sink, MSHCTX_INPROC, nullptr, MSHLFLAGS_TABLEWEAK);
    if (hr != E_INVALIDARG) return hr;
    if (!rewind(stream)) return E_FAIL;
    normal = true;
    return CoMarshalInterface(stream, held, sink, MSHCTX_INPROC, nullptr, MSHLFLAGS_NORMAL);
}

std::optional<std::uint64_t> readExporter(IStream* stream)
{
    StandardObjectReference reference = {};
    ULONG read = 0;
    if (!rewind(stream) || FAILED(stream->Read(&reference, sizeof(reference), &read)) || read != sizeof(reference))
        return std::nullopt;
    if (reference.signature != objectReferenceSignature || reference.flags != standardReference) return std::nullopt;
    return reference.oxid;
}

} // namespace

std::optional<std::uint64_t> sinkApartment(IUnknown* sink, REFIID held)
{
    if (!sink) return std::nullopt;
    ComPtr<IClientSecurity> proxyManager;
    if (FAILED(sink->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(proxyManager.out()))) || !proxyManager)
        return std::nullopt;
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) || !stream) return std::nullopt;
    bool normal = false;
    if (FAILED(marshalProxy(stream.get(), sink, held, normal))) return std::nullopt;
    const std::optional<std::uint64_t> exporter = readExporter(stream.get());
    // Table-weak data of a proxy holds no reference (and releasing it would find no table entry).
    if (normal && rewind(stream.get())) CoReleaseMarshalData(stream.get());
    return exporter;
}

} // namespace extensionsutils
