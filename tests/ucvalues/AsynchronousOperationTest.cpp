#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"
#include "IUCOfficeIntegration/UCCAsynchronousOperation.h"
#include "IUCOfficeIntegration/UCCLocaleString.h"
#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"

#include "ValuesFixture.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/WeakPtrCComObject.h"
#include "support/FakeOfficeSink.h"

#include <atomic>
#include <memory>

using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::DispatchParameters;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;

namespace {

const DISPID onLookup = 251;
const wchar_t* const workerSource = L"extensions/tavomessenger/IUCOfficeIntegration/AsynchronousOperationWorker";
const wchar_t* const workerFunction = L"AsynchronousOperationWorker::DoWork";
const wchar_t* const noWorkCarriedOut = L"AsynchronousOperationWorker cancelled or no function set, no work carried out";
const wchar_t* const resultNotReported = L"AsynchronousOperationWorker cancelled, result not reported";

// The host's levels for the module's 1, 3 and 4.
const long detailLevel = 4;
const long refusalLevel = 2;
const long errorLevel = 1;

VARIANT_BOOL flag(IUCCAsynchronousOperation* operation, HRESULT (STDMETHODCALLTYPE IUCCAsynchronousOperation::*getter)(VARIANT_BOOL*))
{
    VARIANT_BOOL value = 0x1234;
    EXPECT_EQ((operation->*getter)(&value), S_OK);
    return value;
}

bool isCompleted(IUCCAsynchronousOperation* operation)
{
    return flag(operation, &IUCCAsynchronousOperation::get_IsCompleted) == VARIANT_TRUE;
}

bool isSucceeded(IUCCAsynchronousOperation* operation)
{
    return flag(operation, &IUCCAsynchronousOperation::get_IsSucceeded) == VARIANT_TRUE;
}

// An Office callback object that answers every call with one code, as a callback without the member or a
// failing one does. Not a module object: it keeps its own count.
class AnsweringCallback final : public IDispatch {
public:
    explicit AnsweringCallback(HRESULT answer) : answer_(answer) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; } // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        ++calls;
        return answer_;
    }

    std::atomic<int> calls{0};
    std::atomic<ULONG> references_{1};

private:
    const HRESULT answer_;
};

// Stands for the object that starts an asynchronous call (the contact manager): weakly referable, so that
// a late result can tell whether it still lives.
class CallOwner : public extensionsutils::ComObjectRoot,
                  public IUnknown,
                  public extensionsutils::CComWeakPtrEnabled<CallOwner> {
public:
    using Interfaces = extensionsutils::InterfaceTable<IUnknown>;
    explicit CallOwner(std::atomic<int>* destroyed) : destroyed_(destroyed) {}
    ~CallOwner() override { ++*destroyed_; }

private:
    std::atomic<int>* destroyed_;
};

// Appends a source and a result, as a lookup does, and answers `succeeded`.
AsynchronousOperationWorker::ResultFunction appending(IDispatch* source, IDispatch* result, bool succeeded)
{
    ComPtr<IDispatch> heldSource(source);
    ComPtr<IDispatch> heldResult(result);
    return [heldSource, heldResult, succeeded](DispatchParameters& parameters) {
        parameters.add(Variant::fromDispatch(heldSource.get()));
        parameters.add(Variant::fromDispatch(heldResult.get()));
        return succeeded;
    };
}

ComPtr<IDispatch> localeString(const wchar_t* text)
{
    return ComObject<UCCLocaleString>::create(text).as<IDispatch>();
}

std::wstring localeStringText(const Variant& argument)
{
    if (argument.type() != VT_DISPATCH || !argument.get()->pdispVal) return L"<no object>";
    ComPtr<IUCCLocaleString> text = ComPtr<IDispatch>(argument.get()->pdispVal).as<IUCCLocaleString>();
    extensionsutils::Bstr value;
    if (!text || FAILED(text->get_Value(value.out()))) return L"<not a locale string>";
    return value.str();
}

class AsynchronousOperationWorkerTest : public ValuesFixture {
protected:
    // The journal keeps copies of the callback's arguments (the operation among them): it goes first.
    void TearDown() override
    {
        EXPECT_EQ(callback->references(), 1u) << "the callback was not released";
        callback.reset();
        journal.reset();
        ValuesFixture::TearDown();
    }

    std::shared_ptr<AsynchronousOperationWorker> newWorker()
    {
        return std::make_shared<AsynchronousOperationWorker>(callback.get(), onLookup);
    }

    std::shared_ptr<OfficeEventJournal> journal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
};

} // namespace

using AsynchronousOperation = ValuesFixture;

TEST_F(AsynchronousOperation, ANewOperationIsPendingCancelableAndAnswersZeroCodes)
{
    ComPtr<IUCCAsynchronousOperation> operation =
        ComObject<UCCAsynchronousOperation>::create().as<IUCCAsynchronousOperation>();

    EXPECT_EQ(flag(operation.get(), &IUCCAsynchronousOperation::get_IsCompleted), VARIANT_FALSE);
    EXPECT_EQ(flag(operation.get(), &IUCCAsynchronousOperation::get_IsSucceeded), VARIANT_FALSE);
    EXPECT_EQ(flag(operation.get(), &IUCCAsynchronousOperation::get_IsCancelable), VARIANT_TRUE);
    LONG code = 5;
    EXPECT_EQ(operation->get_StatusCode(&code), S_OK);
    EXPECT_EQ(code, 0);
    code = 5;
    EXPECT_EQ(operation->get_DiagnosticCode(&code), S_OK);
    EXPECT_EQ(code, 0);
    VARIANT state;
    state.vt = VT_I4;
    state.lVal = 9;
    EXPECT_EQ(operation->get_AsyncState(&state), E_NOTIMPL);
    EXPECT_EQ(state.vt, VT_EMPTY);
    EXPECT_EQ(operation->get_AsyncState(nullptr), E_NOTIMPL);
}

TEST_F(AsynchronousOperation, CancellingAfterCompletionKeepsTheResult)
{
    MICComPtr<UCCAsynchronousOperation> object = ComObject<UCCAsynchronousOperation>::create();
    ComPtr<IUCCAsynchronousOperation> operation = object.as<IUCCAsynchronousOperation>();

    object->complete(true);
    EXPECT_TRUE(isCompleted(operation.get()));
    EXPECT_TRUE(isSucceeded(operation.get()));
    EXPECT_FALSE(object->isCancelled());
    EXPECT_EQ(operation->CancelOperation(), S_OK);
    EXPECT_TRUE(object->isCancelled());
    EXPECT_TRUE(isCompleted(operation.get()));
    EXPECT_TRUE(isSucceeded(operation.get()));
}

TEST_F(AsynchronousOperationWorkerTest, ReportsOnTheWorkerThreadWithTheLeadingArgumentsThenTheOperation)
{
    auto worker = newWorker();
    MICComPtr<UCCAsynchronousOperation> operation = worker->operation();
    ASSERT_TRUE(operation);
    worker->setResultFunction(appending(localeString(L"source").get(), localeString(L"result").get(), true));
    auto workerThread = std::make_shared<WorkerThreadImpl>();
    std::atomic<DWORD> workerThreadId{0};
    workerThread->AddWork(std::make_shared<Tr1FunctionWorker>([&] { workerThreadId = GetCurrentThreadId(); }));

    workerThread->AddWork(worker);
    worker.reset(); // the queue keeps it until it has run
    workerThread->stop([] {}, true);

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    const OfficeEvent& call = events.front();
    EXPECT_EQ(call.id, onLookup);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    ASSERT_EQ(call.arguments.size(), 3u);
    EXPECT_EQ(localeStringText(call.arguments[0]), L"source");
    EXPECT_EQ(localeStringText(call.arguments[1]), L"result");
    ASSERT_EQ(call.arguments[2].type(), VT_DISPATCH);
    EXPECT_TRUE(extensionsutils::sameComObject(call.arguments[2].get()->pdispVal, operation.identity()));
    EXPECT_EQ(call.threadId, workerThreadId.load());
    EXPECT_NE(call.threadId, GetCurrentThreadId());
    EXPECT_EQ(call.apartment, "MTA");
    EXPECT_TRUE(isCompleted(operation.as<IUCCAsynchronousOperation>().get()));
    EXPECT_TRUE(isSucceeded(operation.as<IUCCAsynchronousOperation>().get()));

    for (const wchar_t* line : {L"Starting work for AsynchronousOperationWorker", L"Finished work for AsynchronousOperationWorker"}) {
        const fakehost::LogRecord record = onlyRecordOf(line);
        EXPECT_EQ(record.hostLevel, detailLevel);
        EXPECT_EQ(record.file, workerSource);
        EXPECT_EQ(record.function, workerFunction);
    }
}

TEST_F(AsynchronousOperationWorkerTest, TheCallbackAlreadySeesItsOperationCompleted)
{
    auto worker = newWorker();
    worker->setResultFunction(appending(nullptr, nullptr, true));
    std::atomic<int> completedInCallback{-1};
    callback->setHook([&](const OfficeEvent& call) {
        ComPtr<IUCCAsynchronousOperation> operation =
            ComPtr<IDispatch>(call.arguments.at(2).get()->pdispVal).as<IUCCAsynchronousOperation>();
        completedInCallback = operation && isCompleted(operation.get()) ? 1 : 0;
    });

    worker->DoWork();

    EXPECT_EQ(completedInCallback.load(), 1);
    callback->setHook(nullptr);
}

TEST_F(AsynchronousOperationWorkerTest, AFailedResultIsStillReportedAndReadsCompletedButNotSucceeded)
{
    auto worker = newWorker();
    worker->setResultFunction(appending(nullptr, nullptr, false));

    worker->DoWork();

    ASSERT_EQ(journal->count(), 1u);
    const OfficeEvent call = journal->events().front();
    ASSERT_EQ(call.arguments.size(), 3u);
    EXPECT_EQ(call.arguments[0].type(), VT_DISPATCH);
    EXPECT_EQ(call.arguments[1].get()->pdispVal, nullptr);
    ComPtr<IUCCAsynchronousOperation> operation = worker->operation().as<IUCCAsynchronousOperation>();
    EXPECT_TRUE(isCompleted(operation.get()));
    EXPECT_FALSE(isSucceeded(operation.get()));
}

TEST_F(AsynchronousOperationWorkerTest, CancelledBeforeTheResultNeverCallsBackAndStaysNotCompleted)
{
    auto worker = newWorker();
    ComPtr<IUCCAsynchronousOperation> operation = worker->operation().as<IUCCAsynchronousOperation>();
    ASSERT_EQ(operation->CancelOperation(), S_OK);
    bool resultBuilt = false;
    worker->setResultFunction([&](DispatchParameters&) { return resultBuilt = true; });

    worker->DoWork();

    EXPECT_EQ(journal->count(), 0u);
    EXPECT_FALSE(resultBuilt);
    EXPECT_FALSE(isCompleted(operation.get()));
    EXPECT_FALSE(isSucceeded(operation.get()));
    EXPECT_EQ(onlyRecordOf(noWorkCarriedOut).hostLevel, refusalLevel);
}

TEST_F(AsynchronousOperationWorkerTest, CancelledWhileTheResultIsBuiltIsNotReported)
{
    auto worker = newWorker();
    ComPtr<IUCCAsynchronousOperation> operation = worker->operation().as<IUCCAsynchronousOperation>();
    worker->setResultFunction([operation](DispatchParameters& parameters) {
        parameters.add(Variant::fromDispatch(nullptr));
        operation->CancelOperation();
        return true;
    });

    worker->DoWork();

    EXPECT_EQ(journal->count(), 0u);
    EXPECT_FALSE(isCompleted(operation.get()));
    const fakehost::LogRecord record = onlyRecordOf(resultNotReported);
    EXPECT_EQ(record.hostLevel, refusalLevel);
    EXPECT_EQ(record.function, workerFunction);
}

TEST_F(AsynchronousOperationWorkerTest, WithoutAResultFunctionNothingIsDoneAndTheOperationStaysPending)
{
    auto worker = newWorker();

    worker->DoWork();

    EXPECT_EQ(journal->count(), 0u);
    EXPECT_FALSE(isCompleted(worker->operation().as<IUCCAsynchronousOperation>().get()));
    const fakehost::LogRecord record = onlyRecordOf(noWorkCarriedOut);
    EXPECT_EQ(record.hostLevel, refusalLevel);
    EXPECT_EQ(record.file, workerSource);
    EXPECT_EQ(record.function, workerFunction);
    EXPECT_EQ(host().recordsOf(L"Finished work for AsynchronousOperationWorker").size(), 1u);
}

TEST_F(AsynchronousOperationWorkerTest, ACallbackThatFailsIsLoggedWithItsCodeAndTheOperationStillReadsCompleted)
{
    AnsweringCallback withoutMember(DISP_E_MEMBERNOTFOUND);
    {
        auto worker = std::make_shared<AsynchronousOperationWorker>(&withoutMember, onLookup);
        worker->setResultFunction(appending(nullptr, nullptr, true));

        worker->DoWork();

        EXPECT_EQ(withoutMember.calls.load(), 1);
        EXPECT_TRUE(isCompleted(worker->operation().as<IUCCAsynchronousOperation>().get()));
    }
    const fakehost::LogRecord record = onlyRecordOf(L"Asynchronous Operation callback failed -2147352573");
    EXPECT_EQ(record.hostLevel, errorLevel);
    EXPECT_EQ(record.file, workerSource);
    EXPECT_EQ(record.function, workerFunction);
    EXPECT_EQ(withoutMember.references_.load(), 1u) << "the callback was not released";
}

TEST_F(AsynchronousOperationWorkerTest, ANullCallbackIsAFailedCallAndNothingWorse)
{
    auto worker = std::make_shared<AsynchronousOperationWorker>(nullptr, onLookup);
    worker->setResultFunction(appending(nullptr, nullptr, true));

    worker->DoWork();

    EXPECT_TRUE(isCompleted(worker->operation().as<IUCCAsynchronousOperation>().get()));
    EXPECT_EQ(onlyRecordOf(L"Asynchronous Operation callback failed -2147467259").hostLevel, errorLevel);
}

TEST_F(AsynchronousOperationWorkerTest, RunsOnceAndLetsGoOfWhatItsResultFunctionHeld)
{
    std::atomic<int> ownersDestroyed{0};
    MICComPtr<CallOwner> owner = extensionsutils::WeakPtrCComObject<CallOwner>::create(&ownersDestroyed);
    auto worker = newWorker();
    worker->setResultFunction([owner](DispatchParameters& parameters) {
        parameters.add(Variant::fromDispatch(nullptr));
        return owner.get() != nullptr;
    });
    owner.reset(); // only the result function holds it now

    worker->DoWork();
    EXPECT_EQ(ownersDestroyed.load(), 1) << "a finished worker still holds the owner";
    worker->DoWork();

    EXPECT_EQ(journal->count(), 1u);
    EXPECT_EQ(host().recordsOf(noWorkCarriedOut).size(), 1u);
}

TEST_F(AsynchronousOperationWorkerTest, AResultForAnOwnerReleasedMeanwhileIsDroppedWithoutACallback)
{
    std::atomic<int> ownersDestroyed{0};
    MICComPtr<CallOwner> owner = extensionsutils::WeakPtrCComObject<CallOwner>::create(&ownersDestroyed);
    auto worker = newWorker();
    MICComPtr<UCCAsynchronousOperation> operation = worker->operation();
    auto workerThread = std::make_shared<WorkerThreadImpl>();
    std::weak_ptr<WorkerThread> weakWorkerThread = workerThread;
    // What the owner binds into its pending request: itself only weakly, the worker strongly.
    auto onResult = [weakOwner = owner->getWeakPtr(), worker, weakWorkerThread]() {
        MICComPtr<CallOwner> strongOwner = weakOwner.lock();
        if (!strongOwner) return;
        worker->setResultFunction([strongOwner](DispatchParameters& parameters) {
            parameters.add(Variant::fromUnknown(strongOwner.identity()));
            return true;
        });
        if (auto thread = weakWorkerThread.lock()) thread->AddWork(worker);
    };
    worker.reset();

    owner.reset();
    ASSERT_EQ(ownersDestroyed.load(), 1) << "the pending request kept its owner alive";
    onResult();
    workerThread->stop([] {}, true);

    EXPECT_EQ(journal->count(), 0u);
    EXPECT_FALSE(isCompleted(operation.as<IUCCAsynchronousOperation>().get()));
}
