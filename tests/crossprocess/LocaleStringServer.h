#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"

#include "TavoMessengerLib.h"

#include <string>

// A locale string served to another process: its value names the serving process, so that a client can
// tell that its call really crossed. Any thread.
class LocaleStringServer : public extensionsutils::ComObjectRoot,
                           public extensionsutils::DispatchImpl<IUCCLocaleString, &IID_IUCCLocaleString,
                                                                &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCLocaleString,
                                                       extensionsutils::Via<IDispatch, IUCCLocaleString>>;

    static std::wstring valueFor(DWORD processId);

    HRESULT STDMETHODCALLTYPE get_LocaleId(LONG* localeId) override;
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* value) override;
};

// Creates a LocaleStringServer for every request.
class LocaleStringServerFactory : public extensionsutils::ComObjectRoot, public IClassFactory
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IClassFactory>;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
