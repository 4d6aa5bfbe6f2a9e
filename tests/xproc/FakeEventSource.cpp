#include "FakeEventSource.h"

#include <olectl.h>

#include <algorithm>

namespace officesimtest {

using extensionsutils::ComPtr;
using extensionsutils::Variant;

ComPtr<FakeEventSource> FakeEventSource::create()
{
    ComPtr<FakeEventSource> source;
    source.attach(new FakeEventSource());
    return source;
}

std::vector<HRESULT> FakeEventSource::fire(DISPID id, const std::vector<Variant>& arguments)
{
    std::vector<VARIANT> reversed;
    for (const Variant& argument : arguments) reversed.push_back(*argument.get());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS parameters = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                             static_cast<UINT>(reversed.size()), 0};
    std::vector<HRESULT> results;
    const auto sinks = sinks_;
    for (const auto& sink : sinks) {
        results.push_back(sink.second->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                              nullptr, nullptr, nullptr));
    }
    return results;
}

HRESULT FakeEventSource::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) *object = static_cast<IDispatch*>(this);
    else if (IsEqualIID(iid, IID_IConnectionPointContainer)) *object = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(iid, IID_IConnectionPoint)) *object = static_cast<IConnectionPoint*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG FakeEventSource::AddRef()
{
    return ++references_;
}

ULONG FakeEventSource::Release()
{
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT FakeEventSource::GetTypeInfoCount(UINT* count)
{
    if (count) *count = 0;
    return S_OK;
}

HRESULT FakeEventSource::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT FakeEventSource::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT FakeEventSource::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

HRESULT FakeEventSource::EnumConnectionPoints(IEnumConnectionPoints**)
{
    return E_NOTIMPL;
}

HRESULT FakeEventSource::FindConnectionPoint(REFIID, IConnectionPoint** point)
{
    if (!point) return E_POINTER;
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT FakeEventSource::GetConnectionInterface(IID*)
{
    return E_NOTIMPL;
}

HRESULT FakeEventSource::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container) return E_POINTER;
    *container = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
}

HRESULT FakeEventSource::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie) return E_POINTER;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.out())))) return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_.push_back({*cookie, dispatch});
    return S_OK;
}

HRESULT FakeEventSource::Unadvise(DWORD cookie)
{
    const auto found = std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& sink) { return sink.first == cookie; });
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    sinks_.erase(found);
    return S_OK;
}

HRESULT FakeEventSource::EnumConnections(IEnumConnections**)
{
    return E_NOTIMPL;
}

} // namespace officesimtest
