#pragma once

// Stand-ins for the Messenger object and the Messenger contact, so that the events and the work items are
// exercised on their own: a COM object whose DMessengerEvents connection point takes Office's sinks, and a
// contact that answers only its sign-in name.

#include "EventWorkers.h"
#include "IMessenger/DMessengerEvents_CP.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/InterfaceTable.h"

#include "TavoMessengerLib.h"

#include <string>

class TestMessenger : public extensionsutils::ComObjectRoot,
                      public extensionsutils::ConnectionPointContainer,
                      public CProxyDMessengerEvents<TestMessenger>,
                      public MessengerEventSource
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IConnectionPointContainer>;

    TestMessenger() : ConnectionPointContainer({DIID_DMessengerEvents}) {}

    CProxyDMessengerEvents<TestMessenger>* getMessengerEvents() override { return this; }
    extensionsutils::ConnectionPoint& point() { return *connectionPoint(DIID_DMessengerEvents); }
};

class TestMessengerContact : public extensionsutils::ComObjectRoot, public IMessengerContact
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IMessengerContact, extensionsutils::Via<IDispatch, IMessengerContact>>;

    explicit TestMessengerContact(std::wstring signinName, HRESULT signinResult = S_OK)
        : signinName_(std::move(signinName)), signinResult_(signinResult)
    {
    }

    HRESULT STDMETHODCALLTYPE get_SigninName(BSTR* name) override
    {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (FAILED(signinResult_)) return signinResult_;
        return extensionsutils::Bstr(signinName_).copyTo(name);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_FriendlyName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Status(MISTATUS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ServiceName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Blocked(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Blocked(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CanPage(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PhoneNumber(MPHONE_TYPE, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsSelf(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Property(MCONTACTPROPERTY, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Property(MCONTACTPROPERTY, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ServiceId(BSTR*) override { return E_NOTIMPL; }

private:
    const std::wstring signinName_;
    const HRESULT signinResult_;
};
