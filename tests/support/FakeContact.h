#pragma once

// A host contact: reads its directory entry at each call (kNotFound once the entry is gone) and offers
// _IContactEvents through IConnectionPointContainer. A new object is made for every request; sinks
// advised on any of them belong to the sign-in name.

#include "support/FakeComObject.h"

#include <ocidl.h>
#include <olectl.h>

#include <string>

namespace fakehost {

class FakeContact : public FakeDispatchObject<IContact>, public IConnectionPointContainer {
public:
    FakeContact(std::shared_ptr<FakeHost> host, std::wstring signinName);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IContact
    HRESULT STDMETHODCALLTYPE get_FriendlyName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_SigninName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_WorkNumber(BSTR* number) override;
    HRESULT STDMETHODCALLTYPE get_HomeNumber(BSTR* number) override;
    HRESULT STDMETHODCALLTYPE get_MobileNumber(BSTR* number) override;
    HRESULT STDMETHODCALLTYPE get_OtherNumber(BSTR* number) override;
    HRESULT STDMETHODCALLTYPE get_IsTagged(VARIANT_BOOL* tagged) override;
    HRESULT STDMETHODCALLTYPE RequestPresenceState(IDispatch** presenceState) override;
    HRESULT STDMETHODCALLTYPE StartWatching() override;
    HRESULT STDMETHODCALLTYPE BeginReadTransaction(IUnknown** transaction) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

protected:
    void* otherInterface(REFIID iid) override;

private:
    HRESULT answerField(HostMethod method, BSTR* out, std::wstring ContactRecord::*field);

    const std::wstring signinName_;
};

} // namespace fakehost
