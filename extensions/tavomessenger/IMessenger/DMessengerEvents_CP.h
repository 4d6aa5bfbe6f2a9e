#pragma once

#include "logging/Logging.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/ConnectionPoint.h"
#include "extensionsutils/DispatchParameters.h"
#include "extensionsutils/OfficeEventIds.h"
#include "extensionsutils/Variant.h"

#include "TavoMessengerLib.h"

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <initializer_list>
#include <new>
#include <string>

// The events that the module fires while it runs, as the work items that fire them see them; the
// Messenger object's DMessengerEvents side (below) provides them.
class MessengerEventsFiring
{
public:
    virtual HRESULT Fire_OnContactStatusChange(IDispatch* contact, MISTATUS status) = 0;
    virtual HRESULT Fire_OnContactResolved(LONG hr, ADDRESS_TYPE addressType, BSTR address, BSTR imAddress) = 0;

protected:
    ~MessengerEventsFiring() = default;
};

// The DMessengerEvents side of the Messenger object: the firing operations of the four events the module
// sends (the interface's other members are never sent, so they have none). T is the Messenger object; it
// derives from this class and from extensionsutils::ConnectionPointContainer with a point for
// DIID_DMessengerEvents, which holds the sinks that Office advised.
//
// Threads: fired on the worker thread. Firing queues the event for each sink advised now (the
// connection point's delivery queues); the delivery threads call the sinks, each sink's events in firing
// order, with no module lock held, so a sink may call back into the Messenger object or unadvise
// meanwhile, and a sink that hangs delays no other sink and not the worker.
//
// OnContactStatusChange is a contact's state: an undelivered one for the same contact is replaced by the
// newer. Every other event is delivered as fired. The result is S_OK once queued; sinks' failures are
// logged by the delivery.
template <class T>
class CProxyDMessengerEvents : public MessengerEventsFiring
{
public:
    HRESULT Fire_OnAppShutdown()
    {
        TAVO_LOG(2, "Fire_OnAppShutdown - enter");
        const HRESULT result = fireToEach(extensionsutils::officeevents::onAppShutdown, {});
        TAVO_LOG(2, "Fire_OnAppShutdown - exit");
        return result;
    }
    HRESULT Fire_OnMyStatusChange(HRESULT hr, MISTATUS status)
    {
        TAVO_LOG(2, "Fire_OnMyStatusChange - enter");
        const HRESULT result = fireToEach(extensionsutils::officeevents::onMyStatusChange, {int32Value(hr), int32Value(status)});
        TAVO_LOG(2, "Fire_OnMyStatusChange - exit");
        return result;
    }
    HRESULT Fire_OnContactStatusChange(IDispatch* contact, MISTATUS status) override
    {
        return fireToEach(extensionsutils::officeevents::onContactStatusChange,
                          {extensionsutils::Variant::fromDispatch(contact), int32Value(status)}, contactKey(contact));
    }
    HRESULT Fire_OnContactResolved(LONG hr, ADDRESS_TYPE addressType, BSTR address, BSTR imAddress) override
    {
        return fireToEach(extensionsutils::officeevents::onContactResolved,
                          {int32Value(hr), int32Value(addressType), stringValue(address), stringValue(imAddress)});
    }

protected:
    CProxyDMessengerEvents() = default;
    ~CProxyDMessengerEvents() = default;
    CProxyDMessengerEvents(const CProxyDMessengerEvents&) = delete;
    CProxyDMessengerEvents& operator=(const CProxyDMessengerEvents&) = delete;

private:
    static extensionsutils::Variant int32Value(LONG value) { return extensionsutils::Variant::fromInt32(value); }
    static extensionsutils::Variant stringValue(BSTR value)
    {
        return extensionsutils::Variant::fromBstr(extensionsutils::Bstr(value, SysStringLen(value)));
    }

    // The arguments in call order; false when one could not be copied (then nothing may be sent, as a
    // sink would read the wrong arguments).
    static bool collect(std::initializer_list<extensionsutils::Variant> values, extensionsutils::DispatchParameters& parameters)
    {
        try {
            for (const extensionsutils::Variant& value : values) {
                if (FAILED(parameters.add(value))) return false;
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    extensionsutils::ConnectionPoint* messengerEventsPoint() const
    {
        return static_cast<const T*>(this)->connectionPoint(DIID_DMessengerEvents);
    }

    // The contact's sign-in name, which names its presence state; empty (never merged) when it cannot
    // be read.
    static std::wstring contactKey(IDispatch* contact)
    {
        const auto messengerContact = extensionsutils::ComPtr<IDispatch>(contact).as<IMessengerContact>();
        extensionsutils::Bstr signinName;
        if (!messengerContact || FAILED(messengerContact->get_SigninName(signinName.out()))) return std::wstring();
        try {
            return signinName.str();
        } catch (const std::bad_alloc&) {
            return std::wstring();
        }
    }

    // Queues the event for every sink advised now; S_OK with nobody connected.
    HRESULT fireToEach(DISPID id, std::initializer_list<extensionsutils::Variant> values,
                       const std::wstring& stateKey = std::wstring()) const
    {
        extensionsutils::ConnectionPoint* point = messengerEventsPoint();
        if (!point) return E_NOINTERFACE;
        extensionsutils::DispatchParameters parameters;
        if (!collect(values, parameters)) return E_OUTOFMEMORY;
        return point->fire(id, parameters, stateKey);
    }
};
