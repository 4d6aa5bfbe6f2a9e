#include "soak/OfficeFuzz.h"

#include "soak/FuzzValues.h"
#include "soak/OfficeLink.h"

#include "officesim/CallWatch.h"
#include "officesim/Names.h"
#include "extensionsutils/Bstr.h"
#include "officesim/VtableMessengerApi.h"
#include "officesim/VtableUcApi.h"

#include "TavoMessengerLib.h"

#include <map>

namespace soak {

using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

const DWORD callLimitMs = 20000;
const std::size_t maxObjects = 48;

struct Member {
    MEMBERID id = 0;
    INVOKEKIND kind = INVOKE_FUNC;
    std::vector<VARTYPE> parameterTypes;
};

// One dual interface of the library and the members a caller may invoke on it.
struct Interface {
    IID iid;
    std::wstring name;
    std::vector<Member> members;
};

// An object and one interface of the library it answers.
struct Target {
    ComPtr<IDispatch> object; // that interface
    const Interface* api = nullptr;
};

std::vector<Interface> libraryInterfaces(ITypeLib* library)
{
    std::vector<Interface> interfaces;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* attributes = nullptr;
        if (FAILED(library->GetTypeInfo(i, info.out())) || FAILED(info->GetTypeAttr(&attributes))) continue;
        const bool dual = attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL);
        Interface entry;
        entry.iid = attributes->guid;
        for (UINT f = 0; dual && f < attributes->cFuncs; ++f) {
            FUNCDESC* function = nullptr;
            if (FAILED(info->GetFuncDesc(f, &function))) continue;
            if (!(function->wFuncFlags & (FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN))) {
                Member member;
                member.id = function->memid;
                member.kind = function->invkind;
                for (SHORT p = 0; p < function->cParams; ++p)
                    member.parameterTypes.push_back(function->lprgelemdescParam[p].tdesc.vt);
                entry.members.push_back(member);
            }
            info->ReleaseFuncDesc(function);
        }
        info->ReleaseTypeAttr(attributes);
        extensionsutils::Bstr name;
        library->GetDocumentation(static_cast<INT>(i), name.out(), nullptr, nullptr, nullptr);
        entry.name = name.str();
        if (!entry.members.empty()) interfaces.push_back(std::move(entry));
    }
    return interfaces;
}

class Fuzzer {
public:
    Fuzzer(const OfficeOptions& options, tools::ConsoleOutput& output, std::vector<Interface> interfaces)
        : options_(options), output_(output), values_(options.seed), interfaces_(std::move(interfaces)),
          watch_(callLimitMs, [&output](const std::wstring& call, DWORD elapsed) {
              output.line(L"soakoffice: problem HANG " + call + L" has not returned after " + std::to_wstring(elapsed) + L" ms");
              TerminateProcess(GetCurrentProcess(), 3);
          })
    {
    }

    void addObject(IUnknown* object);
    void run();
    void printFigures();

private:
    void lateBoundCall(const Target& target);
    void vtableCall(const Target& target);
    std::vector<IDispatch*> objects() const;
    void count(HRESULT hr) { ++results_[hr]; ++calls_; }

    const OfficeOptions& options_;
    tools::ConsoleOutput& output_;
    FuzzValues values_;
    std::vector<Interface> interfaces_;
    officesim::CallWatch watch_;
    std::vector<ComPtr<IUnknown>> identities_;
    std::vector<Target> targets_;
    std::map<HRESULT, long> results_;
    long calls_ = 0;
};

std::vector<IDispatch*> Fuzzer::objects() const
{
    std::vector<IDispatch*> pointers;
    for (const Target& target : targets_) pointers.push_back(target.object.get());
    return pointers;
}

void Fuzzer::addObject(IUnknown* object)
{
    ComPtr<IUnknown> identity;
    if (!object || identities_.size() >= maxObjects ||
        FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.out()))))
        return;
    for (const ComPtr<IUnknown>& known : identities_)
        if (known.get() == identity.get()) return;
    identities_.push_back(identity);
    for (const Interface& api : interfaces_) {
        Target target;
        target.api = &api;
        if (SUCCEEDED(object->QueryInterface(api.iid, reinterpret_cast<void**>(target.object.out()))))
            targets_.push_back(target);
    }
}

void Fuzzer::lateBoundCall(const Target& target)
{
    const Member& member = target.api->members[values_.next(static_cast<unsigned>(target.api->members.size()))];
    WORD flags = DISPATCH_METHOD;
    if (member.kind == INVOKE_PROPERTYGET) flags = DISPATCH_PROPERTYGET;
    if (member.kind == INVOKE_PROPERTYPUT) flags = DISPATCH_PROPERTYPUT;
    if (member.kind == INVOKE_PROPERTYPUTREF) flags = DISPATCH_PROPERTYPUTREF;
    if (values_.next(10) == 0) flags = static_cast<WORD>(1 + values_.next(8)); // any mix of the four

    // Mostly the declared number of arguments, now and then fewer or more.
    const std::vector<VARTYPE>& types = member.parameterTypes;
    const MEMBERID id = member.id;
    std::size_t argumentCount = types.size();
    if (values_.next(5) == 0) argumentCount = values_.next(static_cast<unsigned>(types.size()) + 3);
    std::vector<Variant> arguments;
    const std::vector<IDispatch*> pool = objects();
    for (std::size_t i = 0; i < argumentCount; ++i)
        arguments.push_back(values_.valueFor(i < types.size() ? types[i] : static_cast<VARTYPE>(VT_VARIANT), pool));
    std::vector<VARIANT> reversed(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) reversed[arguments.size() - 1 - i] = *arguments[i].get();
    DISPID put = DISPID_PROPERTYPUT;
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && !reversed.empty();
    DISPPARAMS parameters = {reversed.empty() ? nullptr : reversed.data(), isPut ? &put : nullptr,
                             static_cast<UINT>(reversed.size()), isPut ? 1u : 0u};
    Variant result;
    EXCEPINFO exception = {};
    UINT badArgument = 0;
    HRESULT hr = E_UNEXPECTED;
    {
        officesim::CallWatch::Scope scope(watch_, target.api->name + L" member " + std::to_wstring(id));
        hr = target.object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result.out(), &exception, &badArgument);
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    count(hr);
    if (result.type() == VT_DISPATCH || result.type() == VT_UNKNOWN) addObject(result.get()->punkVal);
}

// The virtual-table members that take arrays, with random arrays.
void Fuzzer::vtableCall(const Target& target)
{
    IDispatch* object = target.object.get();
    const std::wstring call = target.api->name + L" (virtual table)";
    officesim::CallWatch::Scope scope(watch_, call);
    extensionsutils::SafeArray first(values_.anyArray());
    if (IsEqualIID(target.api->iid, IID_IUCCContact)) {
        ComPtr<IUCCContactInformationDictionary> dictionary;
        count(static_cast<IUCCContact*>(object)->BatchGetContactInformation(first.get(), dictionary.out()));
        addObject(dictionary.get());
    } else if (IsEqualIID(target.api->iid, IID_IUCCContactSubscription)) {
        count(static_cast<IUCCContactSubscription*>(object)->Subscribe(
            static_cast<ContactSubscriptionRefreshRate>(values_.anyLong()), first.get()));
    } else if (IsEqualIID(target.api->iid, IID_IUCCAutomation)) {
        extensionsutils::SafeArray second(values_.anyArray());
        extensionsutils::SafeArray third(values_.anyArray());
        ComPtr<IUCCConversationWindow> window;
        count(static_cast<IUCCAutomation*>(object)->StartConversation(
            static_cast<AutomationModalities>(values_.anyLong()), first.get(), second.get(), third.get(), window.out()));
    } else if (IsEqualIID(target.api->iid, IID_IMessengerAdvanced)) {
        const std::vector<IDispatch*> pool = objects();
        Variant participants = values_.anyValue(pool);
        Variant windowHandle;
        count(static_cast<IMessengerAdvanced*>(object)->StartConversation(
            static_cast<CONVERSATION_TYPE>(values_.anyLong()), *participants.get(), *values_.anyValue(pool).get(),
            *values_.anyValue(pool).get(), *values_.anyValue(pool).get(), *values_.anyValue(pool).get(),
            windowHandle.out()));
    } else {
        lateBoundCall(target);
    }
}

void Fuzzer::run()
{
    for (long i = 0; i < options_.calls && !targets_.empty(); ++i) {
        const Target& target = targets_[values_.next(static_cast<unsigned>(targets_.size()))];
        if (values_.next(4) == 0) vtableCall(target);
        else lateBoundCall(target);
    }
}

void Fuzzer::printFigures()
{
    std::wstring answers;
    for (const auto& entry : results_)
        answers += (answers.empty() ? L"" : L", ") + officesim::hresultText(entry.first) + L" x" + std::to_wstring(entry.second);
    output_.line(L"soakoffice: answers " + answers);
    output_.line(L"soakoffice: figure calls " + std::to_wstring(calls_));
    output_.line(L"soakoffice: figure objects " + std::to_wstring(identities_.size()));
    output_.line(L"soakoffice: figure targets " + std::to_wstring(targets_.size()));
}

} // namespace

int runOfficeFuzz(const OfficeOptions& options, tools::ConsoleOutput& output)
{
    output.line(L"soakoffice: seed " + std::to_wstring(options.seed));
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadRegTypeLib(LIBID_TavoMessengerLib, 1, 0, 0, library.out());
    if (FAILED(hr)) {
        output.line(L"soakoffice: problem LoadRegTypeLib answered " + officesim::hresultText(hr));
        return 2;
    }
    OfficeLink link;
    std::wstring problem;
    if (!link.connect(10000, problem)) {
        output.line(L"soakoffice: problem setup: " + problem);
        return 2;
    }
    output.line(L"soakoffice: ready");
    {
        Fuzzer fuzzer(options, output, libraryInterfaces(library.get()));
        officesim::VtableMessengerApi messenger;
        officesim::VtableUcApi uc;
        fuzzer.addObject(link.messenger.get());
        fuzzer.addObject(link.client.get());
        fuzzer.addObject(link.contactManager.get());
        fuzzer.addObject(messenger.myContacts(link.messenger.get()).value.get());
        fuzzer.addObject(messenger.getContact(link.messenger.get(), L"c01@soak.example").value.get());
        fuzzer.addObject(uc.getContactByUri(link.contactManager.get(), L"c02@soak.example").value.get());
        fuzzer.addObject(uc.clientSelf(link.client.get()).value.get());
        fuzzer.addObject(uc.createSubscription(link.contactManager.get()).value.get());
        fuzzer.addObject(uc.getInterface(link.messenger.get(), L"15.0.0.0", officesim::InterfaceAutomation).value.get());
        fuzzer.run();
        fuzzer.printFigures();
    }
    const std::wstring wrong = checkKnownAnswers(link);
    if (!wrong.empty()) output.line(L"soakoffice: problem known answers after the fuzzing: " + wrong);
    output.line(L"soakoffice: figure check-failures " + std::to_wstring(wrong.empty() ? 0 : 1));
    return 0;
}

} // namespace soak
