#include "IUCOfficeIntegration/StartConversationInputParser.h"

#include "logging/Results.h"

#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include "TavoMessengerLib.h"

#include <new>
#include <vector>

using extensionsutils::Variant;

namespace {

// The text of a context value, which must be a string.
bool appendText(const Variant& data, std::wstring& target)
{
    if (data.type() != VT_BSTR) return false;
    const BSTR text = data.get()->bstrVal;
    target.append(text ? text : L"", SysStringLen(text));
    return true;
}

} // namespace

StartConversationInputParser::StartConversationInputParser(SAFEARRAY* participantUris, SAFEARRAY* contextTypes,
                                                           SAFEARRAY* contextDatas)
{
    if (!checkArrayType(participantUris, VT_BSTR) || !checkArrayType(contextTypes, VT_I4)
        || !checkArrayType(contextDatas, VT_VARIANT)) {
        return;
    }
    LONG upper = 0;
    LONG lower = 0;
    if (FAILED(SafeArrayGetUBound(participantUris, 1, &upper)) || FAILED(SafeArrayGetLBound(participantUris, 1, &lower))) {
        TAVO_LOG(4, "Unable to get bounds of Participants URIs array");
        return;
    }
    participantCount_ = upper - lower + 1;
    valid = parseContext(contextTypes, contextDatas);
}

bool StartConversationInputParser::checkArrayType(SAFEARRAY* array, VARTYPE expectedType)
{
    if (!array) return TAVO_FAIL(4, "Array is NULL", false);
    // Every array is walked with one index: a second dimension would be read past its descriptor.
    if (SafeArrayGetDim(array) != 1) return TAVO_FAIL(4, "Array is not one-dimensional", false);
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &type)) || type != expectedType) return TAVO_FAIL(4, "Array is not of expected Type", false);
    return true;
}

bool StartConversationInputParser::parseContext(SAFEARRAY* contextTypes, SAFEARRAY* contextDatas)
{
    std::vector<LONG> types;
    std::vector<Variant> datas;
    HRESULT hr = extensionsutils::readInt32s(contextTypes, types);
    if (SUCCEEDED(hr)) hr = extensionsutils::readVariants(contextDatas, datas);
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc(); // not the arguments at fault: the member answers E_OUTOFMEMORY
    if (FAILED(hr)) return TAVO_FAIL(4, "Unable to read the context arrays", false);
    if (types.size() != datas.size()) return TAVO_FAIL(4, "ContextTypes and ContextData size do not match", false);
    // Types and data are paired by position, so arrays with different lower bounds still pair up.
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (types[i] == uiaConversationContextRemoteEndpointUri) {
            if (!appendText(datas[i], endpointUri_)) return TAVO_FAIL(4, "Unable to set Endpoint URI", false);
            hasEndpointUri = true;
        } else if (types[i] == uiaConversationContextSubject) {
            if (!appendText(datas[i], subject_)) return TAVO_FAIL(4, "Unable to set Subject", false);
            hasSubject = true;
        }
    }
    return true;
}
