#pragma once

// The services the Messenger object hands to Office (IMessengerServices): exactly one, the primary
// service, made with the collection. No lock and no sign-in guard: nothing here changes after
// construction, and the service guards itself.
//
// Threads: Office's COM threads and the worker thread (module stop).

#include "IMessenger/TavoMessengerService.h"

#include "TavoMessengerLib.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/InterfaceTable.h"
#include "extensionsutils/MICComPtr.h"

#include <windows.h>

class TavoMessengerServices
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IMessengerServices, &IID_IMessengerServices, &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<extensionsutils::Via<IDispatch, IMessengerServices>, IMessengerServices>;

    // The primary service; null when it could not be made.
    extensionsutils::MICComPtr<CTavoMessengerService> primaryService() const { return primary; }

    // IMessengerServices
    HRESULT STDMETHODCALLTYPE get_PrimaryService(IDispatch** service) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Item(LONG index, IDispatch** service) override;
    // A new IEnumVARIANT over the services (the primary service as VT_DISPATCH).
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override;

protected:
    TavoMessengerServices();
    ~TavoMessengerServices();

private:
    const extensionsutils::MICComPtr<CTavoMessengerService> primary;
};
