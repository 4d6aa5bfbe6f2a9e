#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include <string>
#include <utility>

// A text with its locale, as Office reads a contact's custom activity: the locale is always the unknown
// one (-1). Threads: any; the text is set at construction and never changes, so there is no lock.
class UCCLocaleString : public DispatchObject<IUCCLocaleString, &IID_IUCCLocaleString>
{
public:
    explicit UCCLocaleString(std::wstring text) : value(std::move(text)) {}

    HRESULT STDMETHODCALLTYPE get_LocaleId(LONG* localeId) override { return answer(localeId, unknownLocale); }
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* text) override { return answerString(value, text); }

private:
    static constexpr LONG unknownLocale = -1;

    const std::wstring value;
};
