// The exports called exactly as a host built with Microsoft's compiler calls them, and the plain C pair:
// every callback once, on the worker thread, and the host's objects released exactly as the protocol
// says, with no other virtual table entry touched.
#include "HostedModuleFixture.h"

#include <string>

namespace {

// A Microsoft-layout std::shared_ptr<TavoMessengerStoppedCallback> whose every entry is counted. The host
// keeps a reference of its own besides the copy it passes, so the uses start at 2.
struct CountedSharedCallback {
    struct Object { const void* const* table; CountedSharedCallback* owner; };
    const void* const* controlTable;
    volatile long uses = 2;
    volatile long weaks = 1;
    Object object;
    std::atomic<int> onStoppedCalls{0}, destroyed{0}, deleted{0}, otherEntries{0};
    std::atomic<DWORD> onStoppedThread{0};

    static void TAVOMESSENGER_THISCALL destroy(CountedSharedCallback* self) { ++self->destroyed; }
    static void TAVOMESSENGER_THISCALL deleteThis(CountedSharedCallback* self) { ++self->deleted; }
    static void* counted(std::atomic<int>& calls)
    {
        ++calls;
        return nullptr;
    }
    static void* TAVOMESSENGER_THISCALL controlOther(CountedSharedCallback* self, void*) { return counted(self->otherEntries); }
    static void* TAVOMESSENGER_THISCALL objectDestructor(Object* self, unsigned) { return counted(self->owner->otherEntries); }
    static void TAVOMESSENGER_THISCALL onStopped(Object* self)
    {
        self->owner->onStoppedThread = GetCurrentThreadId();
        ++self->owner->onStoppedCalls;
    }

    CountedSharedCallback() : controlTable(controlEntries), object{objectEntries, this} {}

    TavoMessengerSharedPointer argument() { return TavoMessengerSharedPointer{&object, this}; }
    std::vector<int> counts() const { return {onStoppedCalls, destroyed, deleted, otherEntries}; }
    // The host lets go of its own reference.
    void releaseHostReference()
    {
        if (InterlockedDecrement(&uses) != 0) return;
        destroy(this);
        if (InterlockedDecrement(&weaks) == 0) deleteThis(this);
    }

    static const void* const controlEntries[4];
    static const void* const objectEntries[2];
};

const void* const CountedSharedCallback::controlEntries[4] = {
    reinterpret_cast<const void*>(&destroy), reinterpret_cast<const void*>(&deleteThis),
    reinterpret_cast<const void*>(&controlOther), reinterpret_cast<const void*>(&controlOther)};
const void* const CountedSharedCallback::objectEntries[2] = {reinterpret_cast<const void*>(&objectDestructor),
                                                             reinterpret_cast<const void*>(&onStopped)};

void __stdcall recordPlainCallback(void* context) { static_cast<RecordingStoppedCallback*>(context)->onStopped(); }

using ExportAbiTest = HostedModuleTest;

// What a host built with Microsoft's compiler, or .NET, may let escape from onStopped: a structured exception,
// which g++'s catch (...) does not see.
void raiseStructured(DWORD code)
{
    int* volatile nowhere = nullptr; // read at run time: a real write through a null pointer
    if (code == EXCEPTION_ACCESS_VIOLATION) *nowhere = 0;
    RaiseException(code, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

TEST_F(ExportAbiTest, TheStopReleasesTheMicrosoftSharedPointerOnceAfterOnStopped)
{
    for (bool running : {false, true}) {
        SCOPED_TRACE(running ? "running" : "never started");
        if (running) startAndWaitUntilPublished();
        CountedSharedCallback callback;
        module().stopExport(callback.argument());
        ASSERT_TRUE(waitUntil([&callback] { return callback.uses == 1; })) << "the module kept its reference";
        EXPECT_EQ(1, callback.onStoppedCalls);
        EXPECT_EQ(running, callback.onStoppedThread != GetCurrentThreadId()) << "not on the worker thread";
        EXPECT_EQ(0, callback.destroyed) << "the host's own reference was taken";
        callback.releaseHostReference();
        EXPECT_EQ((std::vector<int>{1, 1, 1, 0}), callback.counts()) << "onStopped, destroyed, deleted, other entries";
        EXPECT_TRUE(running || host().logRecords().empty()) << "a stop without a server made one";
    }
}

// An access violation, or an unhandled exception of Microsoft's C++, in onStopped ends the callback only,
// on the worker thread as on the caller's: the module and the host's process go on.
TEST_F(ExportAbiTest, AStructuredExceptionFromOnStoppedStaysInTheModule)
{
    for (const DWORD code : {DWORD{0xC0000005}, DWORD{0xE06D7363}}) {
        for (bool running : {true, false}) {
            SCOPED_TRACE((running ? "running, 0x" : "never started, 0x") + std::to_string(code));
            if (running) startAndWaitUntilPublished();
            auto raising = std::make_shared<RecordingStoppedCallback>(&host(), [code] { raiseStructured(code); });
            module().stop(raising);
            ASSERT_TRUE(raising->waitForCall());
            ASSERT_TRUE(logWatch->waitUntilOtherThreadsEnded(20000)) << "the worker thread did not end";
            EXPECT_EQ(1, raising->calls);
        }
    }
    EXPECT_EQ(1u, logCount(L"the host's stopped callback raised exception 0xc0000005, ignoring"));
    EXPECT_EQ(1u, logCount(L"the host's stopped callback raised exception 0xe06d7363, ignoring"));
    EXPECT_TRUE(unloadable());
}

TEST_F(ExportAbiTest, ThePlainStopCallsBackOnceOnTheWorkerThread)
{
    auto start = module().entry<TavoMessengerStartFunction>("TavoMessengerStart");
    auto stop = module().entry<TavoMessengerStopFunction>("TavoMessengerStop");
    ASSERT_TRUE(start && stop);
    RecordingStoppedCallback unstarted;
    EXPECT_EQ(E_POINTER, stop(nullptr, &unstarted));
    EXPECT_EQ(S_OK, stop(recordPlainCallback, &unstarted)) << "a stop with nothing running";
    EXPECT_EQ("1 here", unstarted.calledWhere());
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(S_OK, start(0));
        EXPECT_EQ(S_OK, start(0)) << "a second start is ignored";
        ASSERT_TRUE(waitUntil([] { return readUpAndRunning() == std::optional<DWORD>(2); }));
        RecordingStoppedCallback stopped;
        EXPECT_EQ(E_POINTER, stop(nullptr, nullptr));
        EXPECT_EQ(std::optional<DWORD>(2), readUpAndRunning()) << "a refused stop stopped the module";
        EXPECT_EQ(S_OK, stop(recordPlainCallback, &stopped));
        ASSERT_TRUE(stopped.waitForCall());
        ASSERT_TRUE(logWatch->waitUntilOtherThreadsEnded(20000));
        EXPECT_EQ("1 elsewhere", stopped.calledWhere());
    }
    EXPECT_TRUE(unloadable()) << "something leaked";
}

} // namespace
