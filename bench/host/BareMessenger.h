#pragma once

// The baseline of every Messenger API figure: a trivial Messenger object that answers the measured members
// by making exactly the host calls the module's behaviour makes for them, and nothing else (no lock, no
// logging, no state). Its IDispatch comes from the same type library as the module's; Office's
// DMessengerEvents sinks connect to it as to the module's. Every other member answers E_NOTIMPL: nothing
// measures it. Any thread.

#include "TavoMessengerLib.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/DispatchParameters.h"

namespace bench {

class BareMessenger : public extensionsutils::ComObjectRoot,
                      public extensionsutils::DispatchImpl<IMessenger, &IID_IMessenger, &LIBID_TavoMessengerLib>,
                      public extensionsutils::ConnectionPointContainer
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IMessenger, extensionsutils::Via<IDispatch, IMessenger>,
                                                       IConnectionPointContainer>;

    BareMessenger() : ConnectionPointContainer({DIID_DMessengerEvents}) {}

    // A presence change as the module delivers it, done the plainest way: a contact made from the host's
    // contact object (the host calls the module makes for it) and a loop of Invoke(OnContactStatusChange)
    // over the connected sinks, on the calling thread.
    HRESULT contactStatusChanged(IDispatch* hostContact, IDispatch* presenceState);
    // The same change handed to the bare lanes (BareLanes.h): each Office process's sinks called in turn by
    // a thread of that process's own, every process at once. Returns once queued.
    HRESULT contactStatusChangedInLanes(IDispatch* hostContact, IDispatch* presenceState);

    HRESULT STDMETHODCALLTYPE get_MyStatus(MISTATUS* status) override;
    HRESULT STDMETHODCALLTYPE GetContact(BSTR signinName, BSTR serviceId, IDispatch** contact) override;
    HRESULT STDMETHODCALLTYPE get_MyContacts(IDispatch** contacts) override;

    HRESULT STDMETHODCALLTYPE get_Window(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ViewProfile(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ReceiveFileDirectory(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StartVoice(VARIANT, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InviteApp(VARIANT, BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendMail(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenInbox() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendFile(VARIANT, BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Signout() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Signin(LONG, BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OptionsPages(LONG, MOPTIONPAGE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddContact(LONG, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindContact(LONG, BSTR, BSTR, VARIANT, VARIANT, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InstantMessage(VARIANT, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Phone(VARIANT, MPHONE_TYPE, BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MediaWizard(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Page(VARIANT, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AutoSignin() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MySigninName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MyFriendlyName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MyStatus(MISTATUS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_UnreadEmailCount(MUAFOLDER, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MyServiceName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MyPhoneNumber(MPHONE_TYPE, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MyProperty(MCONTACTPROPERTY, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MyProperty(MCONTACTPROPERTY, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MyServiceId(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Services(IDispatch**) override { return E_NOTIMPL; }

private:
    // OnContactStatusChange's arguments for a host change: the contact made for it and its status.
    HRESULT statusChangeArguments(IDispatch* hostContact, IDispatch* presenceState,
                                  extensionsutils::DispatchParameters& arguments);
};

} // namespace bench
