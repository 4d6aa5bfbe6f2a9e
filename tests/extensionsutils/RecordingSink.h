#pragma once

#include "ExtensionsUtilsTestLib.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/Variant.h"

#include <functional>
#include <mutex>
#include <type_traits>
#include <vector>

// What one Invoke received.
struct RecordedCall
{
    DISPID id = 0;
    IID iid = {};
    LCID locale = 0;
    WORD flags = 0;
    UINT namedArguments = 0;
    bool wantedResult = false;
    bool wantedException = false;
    bool wantedArgumentError = false;
    std::vector<extensionsutils::Variant> arguments; // as DISPPARAMS holds them: last argument first
};

// An Office-like event sink: records every call, answers a configurable result and may run a hook from
// inside the call. With AnswersEvents false it answers only IDispatch, as a cross-process sink may.
template <bool AnswersEvents>
class RecordingSinkOf : public extensionsutils::ComObjectRoot, public _ITestEvents
{
public:
    using Interfaces = std::conditional_t<
        AnswersEvents,
        extensionsutils::InterfaceTable<_ITestEvents, extensionsutils::Via<IDispatch, _ITestEvents>>,
        extensionsutils::InterfaceTable<extensionsutils::Via<IDispatch, _ITestEvents>>>;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override
    {
        RecordedCall call;
        call.id = id;
        call.iid = iid;
        call.locale = locale;
        call.flags = flags;
        call.namedArguments = parameters->cNamedArgs;
        call.wantedResult = result != nullptr;
        call.wantedException = exception != nullptr;
        call.wantedArgumentError = argumentError != nullptr;
        for (UINT i = 0; i < parameters->cArgs; ++i) call.arguments.emplace_back(parameters->rgvarg[i]);
        if (scribbleOnArguments && parameters->cArgs > 0) VariantClear(&parameters->rgvarg[0]);
        {
            std::lock_guard<std::mutex> guard(mutex_);
            calls_.push_back(std::move(call));
        }
        if (duringCall) duringCall();
        return answer;
    }

    std::vector<RecordedCall> calls() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return calls_;
    }

    HRESULT answer = S_OK;
    bool scribbleOnArguments = false;
    std::function<void()> duringCall;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedCall> calls_;
};

using RecordingSink = RecordingSinkOf<true>;
using DispatchOnlySink = RecordingSinkOf<false>;
