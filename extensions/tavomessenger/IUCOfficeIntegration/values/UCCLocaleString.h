#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <string>

// A text with its locale, as Office reads a contact's custom activity: the locale is always the unknown
// one (-1). Threads: any; `lock` guards `value`, shared for Office's reads, exclusive for setValue.
class UCCLocaleString
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCLocaleString, &IID_IUCCLocaleString, &LIBID_TavoMessengerLib> {
public:
    using Interfaces =
        extensionsutils::InterfaceTable<IUCCLocaleString, extensionsutils::Via<IDispatch, IUCCLocaleString>>;

    UCCLocaleString() = default;
    explicit UCCLocaleString(std::wstring text);

    void setValue(const std::wstring& text);

    HRESULT STDMETHODCALLTYPE get_LocaleId(LONG* localeId) override;
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* text) override;

private:
    vorn::ReadWriteLock lock;
    std::wstring value;
};
