#pragma once

#include "extensionsutils/DispatchParameters.h"
#include "extensionsutils/OfficeEventIds.h"
#include "extensionsutils/Variant.h"

#include "TavoMessengerLib.h"

// The firing side of the _IUCCLyncClientEvents connection point of T, a connection-point container that
// owns a point for that interface. Only OnStateChanged is ever fired.
template <class T>
class UCCLyncClientEventsProxy
{
public:
    // Both arguments go to the sinks as IUnknown values: the client, then the event data. E_FAIL when a
    // sink failed; the sinks' results are not acted on.
    HRESULT Fire_OnStateChanged(IUnknown* source, IUnknown* eventData)
    {
        extensionsutils::DispatchParameters parameters;
        HRESULT hr = parameters.add(extensionsutils::Variant::fromUnknown(source));
        if (SUCCEEDED(hr)) hr = parameters.add(extensionsutils::Variant::fromUnknown(eventData));
        if (FAILED(hr)) return hr;
        return static_cast<T*>(this)->fire(DIID__IUCCLyncClientEvents, extensionsutils::officeevents::onStateChanged, parameters);
    }

protected:
    ~UCCLyncClientEventsProxy() = default;
};
