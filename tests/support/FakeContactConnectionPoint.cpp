#include "support/FakeContactConnectionPoint.h"

#include "support/FakeContact.h"

namespace fakehost {

FakeContactConnectionPoint::FakeContactConnectionPoint(std::shared_ptr<FakeHost> host, std::wstring signinName)
    : FakeComObject<IConnectionPoint>(std::move(host)), signinName_(std::move(signinName))
{
}

HRESULT FakeContactConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid) return E_POINTER;
    *iid = DIID__IContactEvents;
    return S_OK;
}

HRESULT FakeContactConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container) return E_POINTER;
    *container = makeFakeObject<FakeContact, IConnectionPointContainer>(hostPointer(), signinName_).detach();
    return S_OK;
}

HRESULT FakeContactConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    const FakeHost::Outcome outcome = host().beginCall(HostMethod::Advise);
    if (outcome.fails()) return outcome.result;
    if (outcome.injected) return S_OK;
    const DWORD added = host().addContactSink(signinName_, sink);
    if (added == 0) return CONNECT_E_CANNOTCONNECT;
    *cookie = added;
    return S_OK;
}

HRESULT FakeContactConnectionPoint::Unadvise(DWORD cookie)
{
    const FakeHost::Outcome outcome = host().beginCall(HostMethod::Unadvise);
    if (outcome.fails()) return outcome.result;
    if (outcome.injected) return S_OK;
    return host().removeContactSink(signinName_, cookie);
}

HRESULT FakeContactConnectionPoint::EnumConnections(IEnumConnections** connections)
{
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
}

} // namespace fakehost
