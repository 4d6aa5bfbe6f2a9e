#include "measure/MeasuredCalls.h"

#include "measure/BenchNames.h"
#include "measure/Stopwatch.h"

#include "extensionsutils/Bstr.h"

#include <functional>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace bench {

HRESULT callMyStatus(IMessenger* messenger)
{
    MISTATUS status = MISTATUS_UNKNOWN;
    return messenger->get_MyStatus(&status);
}

HRESULT callContactStatus(IMessenger* messenger)
{
    static const Bstr name(BenchContact);
    ComPtr<IDispatch> contact;
    HRESULT hr = messenger->GetContact(name.get(), nullptr, contact.out());
    if (FAILED(hr)) return hr;
    const ComPtr<IMessengerContact> messengerContact = contact ? contact.as<IMessengerContact>() : nullptr;
    if (!messengerContact) return E_NOINTERFACE;
    MISTATUS status = MISTATUS_UNKNOWN;
    return messengerContact->get_Status(&status);
}

HRESULT callAvailability(IUCCContact* contact)
{
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = contact->GetContactInformation(ucPresenceAvailability, &value);
    VariantClear(&value);
    return hr;
}

HRESULT callLateBoundMyStatus(IMessenger* messenger)
{
    static const DISPID myStatus = 0x0519; // IMessenger::MyStatus, from the type library
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = messenger->Invoke(myStatus, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                         &result, nullptr, nullptr);
    VariantClear(&result);
    return hr;
}

std::vector<RatioRow> measureCalls(const ProviderObjects& module, const ProviderObjects& bare, const std::string& row,
                                   const std::string& where, RoundPlan plan)
{
    struct Call {
        const char* name;
        std::function<HRESULT(const ProviderObjects&)> run;
    };
    const Call calls[] = {
        {"get_MyStatus", [](const ProviderObjects& o) { return callMyStatus(o.messenger.get()); }},
        {"GetContact + get_Status + Release", [](const ProviderObjects& o) { return callContactStatus(o.messenger.get()); }},
        {"GetContactInformation(availability)", [](const ProviderObjects& o) { return callAvailability(o.ucContact.get()); }},
        {"Invoke(MyStatus), late-bound", [](const ProviderObjects& o) { return callLateBoundMyStatus(o.messenger.get()); }},
    };
    std::vector<RatioRow> rows;
    for (const Call& call : calls) {
        RatioRow result(row, std::string(call.name) + ", " + where, "us");
        auto side = [&call](const ProviderObjects& objects) {
            return [&call, &objects](int iterations, HRESULT& failure) {
                return nsPerCall(iterations, [&] { return call.run(objects); }, failure);
            };
        };
        interleave(result, plan, side(module), side(bare));
        rows.push_back(result);
    }
    return rows;
}

} // namespace bench
