#include "support/FakeContact.h"

#include "support/FakeAnswers.h"
#include "support/FakeContactConnectionPoint.h"
#include "support/FakePresenceState.h"
#include "support/FakeReadTransaction.h"

namespace fakehost {

FakeContact::FakeContact(std::shared_ptr<FakeHost> host, std::wstring signinName)
    : FakeDispatchObject<IContact>(std::move(host)), signinName_(std::move(signinName))
{
}

HRESULT FakeContact::QueryInterface(REFIID iid, void** object)
{
    return FakeDispatchObject<IContact>::QueryInterface(iid, object);
}

ULONG FakeContact::AddRef()
{
    return FakeDispatchObject<IContact>::AddRef();
}

ULONG FakeContact::Release()
{
    return FakeDispatchObject<IContact>::Release();
}

void* FakeContact::otherInterface(REFIID iid)
{
    if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
    return nullptr;
}

HRESULT FakeContact::answerField(HostMethod method, BSTR* out, std::wstring ContactRecord::*field)
{
    return answerString(host(), method, out, [&]() -> std::optional<std::wstring> {
        const std::optional<ContactRecord> record = host().contact(signinName_);
        if (!record) return std::nullopt;
        return (*record).*field;
    });
}

HRESULT FakeContact::get_FriendlyName(BSTR* name)
{
    return answerField(HostMethod::GetFriendlyName, name, &ContactRecord::friendlyName);
}

HRESULT FakeContact::get_SigninName(BSTR* name)
{
    return answerField(HostMethod::GetSigninName, name, &ContactRecord::signinName);
}

HRESULT FakeContact::get_WorkNumber(BSTR* number)
{
    return answerField(HostMethod::GetWorkNumber, number, &ContactRecord::workNumber);
}

HRESULT FakeContact::get_HomeNumber(BSTR* number)
{
    return answerField(HostMethod::GetHomeNumber, number, &ContactRecord::homeNumber);
}

HRESULT FakeContact::get_MobileNumber(BSTR* number)
{
    return answerField(HostMethod::GetMobileNumber, number, &ContactRecord::mobileNumber);
}

HRESULT FakeContact::get_OtherNumber(BSTR* number)
{
    return answerField(HostMethod::GetOtherNumber, number, &ContactRecord::otherNumber);
}

HRESULT FakeContact::get_IsTagged(VARIANT_BOOL* tagged)
{
    return answerValue<VARIANT_BOOL>(host(), HostMethod::GetIsTagged, tagged, [&]() -> std::optional<VARIANT_BOOL> {
        const std::optional<ContactRecord> record = host().contact(signinName_);
        if (!record) return std::nullopt;
        return record->tagged ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

HRESULT FakeContact::RequestPresenceState(IDispatch** presenceState)
{
    return answerObject(host(), HostMethod::RequestPresenceState, presenceState, [&](IDispatch** out) {
        const std::optional<ContactRecord> record = host().contact(signinName_);
        if (!record) return kNotFound;
        *out = host().makePresenceState(record->presence, record->presenceText).detach();
        return S_OK;
    });
}

HRESULT FakeContact::StartWatching()
{
    return answerAction(host(), HostMethod::StartWatching, [&] {
        host().recordStartWatching(signinName_);
        return S_OK;
    });
}

HRESULT FakeContact::BeginReadTransaction(IUnknown** transaction)
{
    if (!transaction) return E_POINTER;
    *transaction = nullptr;
    const FakeHost::Outcome outcome = host().beginCall(HostMethod::BeginReadTransaction);
    if (outcome.fails()) return outcome.result;
    if (outcome.empty()) return S_OK;
    if (outcome.wrongObject()) {
        *transaction = host().makeWrongObject().detach();
        return S_OK;
    }
    *transaction = makeFakeObject<FakeReadTransaction, IUnknown>(hostPointer()).detach();
    return S_OK;
}

HRESULT FakeContact::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (points) *points = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeContact::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point) return E_POINTER;
    *point = nullptr;
    const FakeHost::Outcome outcome = host().beginCall(HostMethod::FindConnectionPoint);
    if (outcome.fails()) return outcome.result;
    if (outcome.injected) return S_OK;
    if (iid != DIID__IContactEvents) return CONNECT_E_NOCONNECTION;
    *point = makeFakeObject<FakeContactConnectionPoint, IConnectionPoint>(hostPointer(), signinName_).detach();
    return S_OK;
}

} // namespace fakehost
