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
#include <vector>

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

// The DMessengerEvents side of the Messenger object: one firing operation per member of the event
// interface, in the interface's order. T is the Messenger object; it derives from this class and from
// extensionsutils::ConnectionPointContainer with a point for DIID_DMessengerEvents, which holds the sinks
// that Office advised.
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
    virtual HRESULT Fire_OnGroupAdded(LONG hr, IDispatch* group)
    {
        return fireToEach(extensionsutils::officeevents::onGroupAdded, {hrValue(hr), dispatchValue(group)});
    }
    virtual HRESULT Fire_OnGroupRemoved(LONG hr, IDispatch* group)
    {
        return fireToEach(extensionsutils::officeevents::onGroupRemoved, {hrValue(hr), dispatchValue(group)});
    }
    virtual HRESULT Fire_OnGroupNameChanged(LONG hr, IDispatch* group)
    {
        return fireToEach(extensionsutils::officeevents::onGroupNameChanged, {hrValue(hr), dispatchValue(group)});
    }
    virtual HRESULT Fire_OnContactAddedToGroup(LONG hr, IDispatch* group, IDispatch* contact)
    {
        return fireToEach(extensionsutils::officeevents::onContactAddedToGroup,
                          {hrValue(hr), dispatchValue(group), dispatchValue(contact)});
    }
    virtual HRESULT Fire_OnContactRemovedFromGroup(LONG hr, IDispatch* group, IDispatch* contact)
    {
        return fireToEach(extensionsutils::officeevents::onContactRemovedFromGroup,
                          {hrValue(hr), dispatchValue(group), dispatchValue(contact)});
    }
    virtual HRESULT Fire_OnIMWindowCreated(IDispatch* window)
    {
        return fireToEach(extensionsutils::officeevents::onIMWindowCreated, {dispatchValue(window)});
    }
    virtual HRESULT Fire_OnIMWindowDestroyed(IDispatch* window)
    {
        return fireToEach(extensionsutils::officeevents::onIMWindowDestroyed, {dispatchValue(window)});
    }
    virtual HRESULT Fire_OnIMWindowContactAdded(IDispatch* contact, IDispatch* window)
    {
        return fireToEach(extensionsutils::officeevents::onIMWindowContactAdded,
                          {dispatchValue(contact), dispatchValue(window)});
    }
    virtual HRESULT Fire_OnIMWindowContactRemoved(IDispatch* contact, IDispatch* window)
    {
        return fireToEach(extensionsutils::officeevents::onIMWindowContactRemoved,
                          {dispatchValue(contact), dispatchValue(window)});
    }
    virtual HRESULT Fire_OnAppShutdown()
    {
        TAVO_LOG(2, "Fire_OnAppShutdown - enter");
        const HRESULT result = fireToEach(extensionsutils::officeevents::onAppShutdown, {});
        TAVO_LOG(2, "Fire_OnAppShutdown - exit");
        return result;
    }
    virtual HRESULT Fire_OnSignin(LONG hr)
    {
        return fireToEach(extensionsutils::officeevents::onSignin, {hrValue(hr)});
    }
    virtual HRESULT Fire_OnSignout()
    {
        return fireToEach(extensionsutils::officeevents::onSignout, {});
    }
    virtual HRESULT Fire_OnContactListAdd(LONG hr, IDispatch* contact)
    {
        return fireToEach(extensionsutils::officeevents::onContactListAdd, {hrValue(hr), dispatchValue(contact)});
    }
    virtual HRESULT Fire_OnContactListRemove(LONG hr, IDispatch* contact)
    {
        return fireToEach(extensionsutils::officeevents::onContactListRemove, {hrValue(hr), dispatchValue(contact)});
    }
    virtual HRESULT Fire_OnMyFriendlyNameChange(LONG hr, BSTR previousFriendlyName)
    {
        return fireToEach(extensionsutils::officeevents::onMyFriendlyNameChange,
                          {hrValue(hr), stringValue(previousFriendlyName)});
    }
    virtual HRESULT Fire_OnMyStatusChange(HRESULT hr, MISTATUS status)
    {
        TAVO_LOG(2, "Fire_OnMyStatusChange - enter");
        const HRESULT result = fireToEach(extensionsutils::officeevents::onMyStatusChange,
                                          {hrValue(hr), numberValue(status)});
        TAVO_LOG(2, "Fire_OnMyStatusChange - exit");
        return result;
    }
    virtual HRESULT Fire_OnMyPhoneChange(MPHONE_TYPE phoneType, BSTR number)
    {
        return fireToEach(extensionsutils::officeevents::onMyPhoneChange,
                          {numberValue(phoneType), stringValue(number)});
    }
    virtual HRESULT Fire_OnMyPropertyChange(LONG hr, MCONTACTPROPERTY property, VARIANT value)
    {
        return fireToEach(extensionsutils::officeevents::onMyPropertyChange,
                          {hrValue(hr), numberValue(property), extensionsutils::Variant(value)});
    }
    virtual HRESULT Fire_OnContactFriendlyNameChange(LONG hr, IDispatch* contact, BSTR previousFriendlyName)
    {
        return fireToEach(extensionsutils::officeevents::onContactFriendlyNameChange,
                          {hrValue(hr), dispatchValue(contact), stringValue(previousFriendlyName)});
    }
    HRESULT Fire_OnContactStatusChange(IDispatch* contact, MISTATUS status) override
    {
        return fireToEach(extensionsutils::officeevents::onContactStatusChange,
                          {dispatchValue(contact), numberValue(status)}, contactKey(contact));
    }
    virtual HRESULT Fire_OnContactPropertyChange(LONG hr, IDispatch* contact, MCONTACTPROPERTY property, VARIANT value)
    {
        return fireToEach(extensionsutils::officeevents::onContactPropertyChange,
                          {hrValue(hr), dispatchValue(contact), numberValue(property), extensionsutils::Variant(value)});
    }
    virtual HRESULT Fire_OnContactBlockChange(LONG hr, IDispatch* contact, VARIANT_BOOL blocked)
    {
        return fireToEach(extensionsutils::officeevents::onContactBlockChange,
                          {hrValue(hr), dispatchValue(contact), boolValue(blocked)});
    }
    virtual HRESULT Fire_OnContactPagerChange(LONG hr, IDispatch* contact, VARIANT_BOOL canPage)
    {
        return fireToEach(extensionsutils::officeevents::onContactPagerChange,
                          {hrValue(hr), dispatchValue(contact), boolValue(canPage)});
    }
    virtual HRESULT Fire_OnContactPhoneChange(LONG hr, IDispatch* contact, MPHONE_TYPE phoneType, BSTR number)
    {
        return fireToEach(extensionsutils::officeevents::onContactPhoneChange,
                          {hrValue(hr), dispatchValue(contact), numberValue(phoneType), stringValue(number)});
    }
    virtual HRESULT Fire_OnUnreadEmailChange(MUAFOLDER folder, LONG unreadCount, VARIANT_BOOL* enableDefault)
    {
        // Sinks run after this returns, so they get the flag's value; what they would write back is lost.
        if (!enableDefault) return E_POINTER;
        return fireToEach(extensionsutils::officeevents::onUnreadEmailChange,
                          {numberValue(folder), numberValue(unreadCount), boolValue(*enableDefault)});
    }
    HRESULT Fire_OnContactResolved(LONG hr, ADDRESS_TYPE addressType, BSTR address, BSTR imAddress) override
    {
        return fireToEach(extensionsutils::officeevents::onContactResolved,
                          {hrValue(hr), numberValue(addressType), stringValue(address), stringValue(imAddress)});
    }

protected:
    CProxyDMessengerEvents() = default;
    ~CProxyDMessengerEvents() = default;
    CProxyDMessengerEvents(const CProxyDMessengerEvents&) = delete;
    CProxyDMessengerEvents& operator=(const CProxyDMessengerEvents&) = delete;

private:
    static extensionsutils::Variant hrValue(LONG hr) { return extensionsutils::Variant::fromInt32(hr); }
    static extensionsutils::Variant numberValue(LONG number) { return extensionsutils::Variant::fromInt32(number); }
    static extensionsutils::Variant dispatchValue(IDispatch* value) { return extensionsutils::Variant::fromDispatch(value); }
    static extensionsutils::Variant stringValue(BSTR value)
    {
        return extensionsutils::Variant::fromBstr(extensionsutils::Bstr(value, SysStringLen(value)));
    }
    static extensionsutils::Variant boolValue(VARIANT_BOOL value)
    {
        VARIANT flag;
        VariantInit(&flag);
        flag.vt = VT_BOOL;
        flag.boolVal = value;
        return extensionsutils::Variant(flag);
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
        extensionsutils::ComPtr<IMessengerContact> messengerContact;
        if (!contact || FAILED(contact->QueryInterface(IID_IMessengerContact, reinterpret_cast<void**>(messengerContact.out())))
            || !messengerContact) {
            return std::wstring();
        }
        extensionsutils::Bstr signinName;
        if (FAILED(messengerContact->get_SigninName(signinName.out()))) return std::wstring();
        try {
            return std::wstring(signinName.get(), SysStringLen(signinName.get()));
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
