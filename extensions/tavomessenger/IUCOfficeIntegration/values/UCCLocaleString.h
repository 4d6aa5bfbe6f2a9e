#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include "vorn/ReadWriteLock.h"

#include <string>

// A text with its locale, as Office reads a contact's custom activity: the locale is always the unknown
// one (-1). Threads: any; `lock` guards `value`, shared for Office's reads, exclusive for setValue.
class UCCLocaleString : public DispatchObject<IUCCLocaleString, &IID_IUCCLocaleString>
{
public:
    UCCLocaleString() = default;
    explicit UCCLocaleString(std::wstring text);

    void setValue(const std::wstring& text);

    HRESULT STDMETHODCALLTYPE get_LocaleId(LONG* localeId) override { return answer(localeId, unknownLocale); }
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* text) override;

private:
    static constexpr LONG unknownLocale = -1;

    vorn::ReadWriteLock lock;
    std::wstring value;
};
