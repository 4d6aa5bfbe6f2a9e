#pragma once

#include "extensionsutils/DispatchParameters.h"
#include "extensionsutils/Variant.h"

#include "TavoMessengerLib.h"

// The firing side of the _IUCCContactEvents connection point of T, a connection-point container that owns
// a point for that interface. Both events pass the contact and the event data, in that order, as
// VT_DISPATCH arguments. Any thread: the sink list is read under the point's own lock and no lock is held
// while a sink runs; the sinks' results are not acted on.
template <class T>
class UCCContactEventsProxy
{
public:
    static constexpr DISPID OnContactInformationChangedId = 400;
    static constexpr DISPID OnSettingChangedId = 401;

    HRESULT Fire_OnContactInformationChanged(IDispatch* contact, IDispatch* eventData)
    {
        return fireEvent(OnContactInformationChangedId, contact, eventData);
    }

    HRESULT Fire_OnSettingChanged(IDispatch* contact, IDispatch* eventData)
    {
        return fireEvent(OnSettingChangedId, contact, eventData);
    }

protected:
    ~UCCContactEventsProxy() = default;

private:
    HRESULT fireEvent(DISPID id, IDispatch* contact, IDispatch* eventData)
    {
        extensionsutils::DispatchParameters parameters;
        HRESULT hr = parameters.add(extensionsutils::Variant::fromDispatch(contact));
        if (SUCCEEDED(hr)) hr = parameters.add(extensionsutils::Variant::fromDispatch(eventData));
        if (FAILED(hr)) return hr;
        return static_cast<T*>(this)->fire(DIID__IUCCContactEvents, id, parameters);
    }
};
