#pragma once

// The one Messenger service the module offers, the host client under the name "Norvane Quillon"
// (IMessengerService). The Messenger object answers its own sign-in name, friendly name, service name
// and service id by asking it. Every member answers MSGR_E_NOT_LOGGED_ON while the host's user is signed
// out; once the module has begun to stop, the three "my" getters answer S_OK without writing.
//
// Threads: Office's COM threads and the worker thread (module stop). `lock` guards the fields below it:
// held shared by every getter for its whole run (host calls included; get_MyStatus takes it shared a
// second time through get_MySigninName, which passes a writer queued in between), exclusive by
// put_Property and setShuttingDown. The Messenger object calls in while holding its own lock (Messenger
// first, then service); the service never calls back into it.

#include "TavoMessengerLib.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/InterfaceTable.h"
#include "extensionsutils/Variant.h"
#include "vorn/ReadWriteLock.h"

#include <windows.h>

#include <map>

class CTavoMessengerService
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IMessengerService, &IID_IMessengerService, &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<extensionsutils::Via<IDispatch, IMessengerService>, IMessengerService>;

    // Called once by the Messenger object's uninitialise at module stop; never undone.
    void setShuttingDown();

    // IMessengerService
    HRESULT STDMETHODCALLTYPE get_ServiceName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_ServiceId(BSTR* identifier) override;
    HRESULT STDMETHODCALLTYPE get_MyFriendlyName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_MyStatus(MISTATUS* status) override;
    HRESULT STDMETHODCALLTYPE get_MySigninName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_Property(MSERVICEPROPERTY key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Property(MSERVICEPROPERTY key, VARIANT value) override;

protected:
    CTavoMessengerService();
    ~CTavoMessengerService();

private:
    vorn::ReadWriteLock lock;
    const extensionsutils::Bstr serviceIdentifier;
    const extensionsutils::Bstr serviceName;
    bool shuttingDown = false;
    std::map<MSERVICEPROPERTY, extensionsutils::Variant> properties;
};
