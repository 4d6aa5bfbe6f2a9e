// benchoffice: the Office side of the benchmarks, in a process of its own, single-threaded apartment as
// Office's own thread; benchhost serve must be running in the same prefix.
//   benchoffice calls [--quick]         the calls from Office's process, module vs bare (cross-process)
//   benchoffice first-call [--quick]    Office's first CoCreateInstance and first call, each in a new
//                                       process of this program, module vs bare
//   benchoffice first-once [bare-first] one such measurement: prints "first <module ns> <bare ns>"
//   benchoffice sinks N [uc]            connects N counting DMessengerEvents sinks to the module and N to
//                                       the bare provider (uc: N UC contact sinks to each side's UC contact),
//                                       tells the host, and stays until it is done
//   benchoffice memory [--quick]        the host's heap growth per GetContact/Release and per UC
//                                       GetContactByUri/Release cycle, module vs bare, and the host objects
//                                       left behind
// Exit codes: 0 ran (targets may be missed), 1 a measurement failed, 2 could not run.

#include "measure/BenchNames.h"
#include "measure/MeasuredCalls.h"
#include "measure/Stopwatch.h"
#include "office/ChildRun.h"
#include "office/CountingSink.h"
#include "office/HostMemory.h"

#include "extensionsutils/ComPtr.h"

#include <objbase.h>

#include "extensionsutils/Bstr.h"
#include "extensionsutils/OfficeEventIds.h"

#include <ocidl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace bench;

namespace {

const int exitOk = 0;
const int exitFailed = 1;
const int exitCannotRun = 2;

int calls(bool quick)
{
    std::string why;
    const ProviderObjects module = connectModule(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchoffice: error: module: %s\n", why.c_str()), exitCannotRun;
    const ProviderObjects bare = connectBare(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchoffice: error: bare: %s\n", why.c_str()), exitCannotRun;
    int status = exitOk;
    for (RatioRow& row : measureCalls(module, bare, "1", "cross-process", RoundPlan{quick ? 7 : 15, 20, quick ? 50.0 : 120.0})) {
        row.setTarget(atMost(1.05));
        std::printf("%s\n", row.line().c_str());
        if (row.failed()) status = exitFailed;
    }
    return status;
}

// Activation and the first get_MyStatus, in nanoseconds; 0 when either failed.
double firstCall(const CLSID& clsid)
{
    Stopwatch watch;
    extensionsutils::ComPtr<IMessenger> messenger;
    if (FAILED(activate(clsid, CLSCTX_LOCAL_SERVER, messenger.out()))) return 0;
    return SUCCEEDED(callMyStatus(messenger.get())) ? watch.elapsedNs() : 0;
}

int firstOnce(bool bareFirst)
{
    double module = 0, bare = 0;
    if (bareFirst) {
        bare = firstCall(CLSID_BareMessenger);
        module = firstCall(CLSID_Messenger);
    } else {
        module = firstCall(CLSID_Messenger);
        bare = firstCall(CLSID_BareMessenger);
    }
    std::printf("first %.0f %.0f\n", module, bare);
    return module > 0 && bare > 0 ? exitOk : exitFailed;
}

int firstCalls(bool quick)
{
    RatioRow row("7", "Office's first CoCreateInstance + first get_MyStatus, a new process each round", "ms");
    row.setIterations(1);
    const int rounds = quick ? 4 : 10;
    for (int round = 0; round < rounds && !row.failed(); ++round) {
        const std::string output = runThisProgram(round % 2 == 0 ? L"first-once" : L"first-once bare-first");
        double module = 0, bare = 0;
        if (std::sscanf(output.c_str(), "first %lf %lf", &module, &bare) != 2 || module <= 0 || bare <= 0)
            row.fail("a first activation or call failed");
        else
            row.add(module, bare);
    }
    std::printf("%s\n", row.line().c_str());
    return row.failed() ? exitFailed : exitOk;
}

// The host's heap growth over `cycles` runs of each side's cycle, in chunks that alternate module and
// baseline (so that what the heap does meanwhile falls on both alike), read before and after each chunk.
int memoryRow(const std::string& figure, int cycles, const std::function<HRESULT()>& moduleCycle,
              const std::function<HRESULT()>& bareCycle)
{
    const int chunks = 10;
    double grown[2] = {0, 0};
    long objectsLeft[2] = {0, 0};
    bool measured = true;
    for (int chunk = 0; chunk < 2 * chunks && measured; ++chunk) {
        const int side = chunk % 2 == (chunk / 2) % 2 ? 0 : 1; // module, bare, bare, module, ...
        const std::function<HRESULT()>& cycle = side == 0 ? moduleCycle : bareCycle;
        HeapFigures before = {}, after = {};
        measured = askHostMemory(before);
        for (int i = 0; i < cycles / chunks && measured; ++i) measured = SUCCEEDED(cycle());
        measured = measured && askHostMemory(after);
        grown[side] += static_cast<double>(after.bytesInUse) - static_cast<double>(before.bytesInUse);
        objectsLeft[side] += after.liveHostObjects - before.liveHostObjects;
    }
    if (!measured) {
        std::printf("| 6 | %s | FAILED: a cycle failed or the host did not answer | | | | | run failed |\n", figure.c_str());
        return exitFailed;
    }
    const double module = grown[0] / cycles, bare = grown[1] / cycles;
    std::printf("| 6 | %s (host objects left: module %ld, baseline %ld) | %+.0f B per cycle beyond the baseline | "
                "%.0f B per cycle | %.0f B per cycle | %d × %d | - | - |\n",
                figure.c_str(), objectsLeft[0], objectsLeft[1], module - bare, module, bare, chunks, cycles / chunks);
    return exitOk;
}

int memory(bool quick)
{
    std::string why;
    const ProviderObjects module = connectModule(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchoffice: error: module: %s\n", why.c_str()), exitCannotRun;
    const ProviderObjects bare = connectBare(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchoffice: error: bare: %s\n", why.c_str()), exitCannotRun;
    const extensionsutils::Bstr name(BenchContact);
    auto getContact = [&name](IMessenger* messenger) {
        return [messenger, &name] {
            extensionsutils::ComPtr<IDispatch> contact;
            return messenger->GetContact(name.get(), nullptr, contact.out());
        };
    };
    auto getContactByUri = [&name, &module] {
        extensionsutils::ComPtr<IUCCContact> contact;
        return module.contactManager->GetContactByUri(name.get(), contact.out());
    };
    // The bare provider has no contact manager: its UC contact comes from its GetContact.
    auto bareUcContact = [&name, &bare] {
        extensionsutils::ComPtr<IDispatch> contact;
        const HRESULT hr = bare.messenger->GetContact(name.get(), nullptr, contact.out());
        return SUCCEEDED(hr) && contact.as<IUCCContact>() ? S_OK : E_NOINTERFACE;
    };
    for (int i = 0; i < 20; ++i) { // the first calls set up what COM keeps for the connection
        getContact(module.messenger.get())();
        getContact(bare.messenger.get())();
        getContactByUri();
        bareUcContact();
    }
    int status = memoryRow("host heap growth per GetContact + Release, cross-process", quick ? 200 : 1000,
                           getContact(module.messenger.get()), getContact(bare.messenger.get()));
    if (memoryRow("host heap growth per UC GetContactByUri + Release, cross-process", quick ? 100 : 500,
                  getContactByUri, bareUcContact) != exitOk)
        status = exitFailed;
    return status;
}

// The host's fan-out measurement is the other half: it waits for this process's ready signal and sets the
// done event when it has measured. Messages are pumped meanwhile: the sinks live in this apartment.
int sinks(int count, bool uc)
{
    std::string why;
    const ProviderObjects module = connectModule(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchoffice: error: module: %s\n", why.c_str()), exitCannotRun;
    const ProviderObjects bare = connectBare(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchoffice: error: bare: %s\n", why.c_str()), exitCannotRun;
    const HANDLE moduleReceipts = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, ModuleReceiptsSemaphore);
    const HANDLE bareReceipts = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, BareReceiptsSemaphore);
    const HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, SinksReadySemaphore);
    const HANDLE markers = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, StormMarkersSemaphore);
    HANDLE done = OpenEventW(SYNCHRONIZE, FALSE, SinksDoneEvent);
    int status = moduleReceipts && bareReceipts && markers && ready && done ? exitOk : exitCannotRun;
    // The UC contacts: the module's for the bench contact; the bare one for a contact of its own.
    extensionsutils::ComPtr<IDispatch> bareContact;
    if (uc && status == exitOk && FAILED(bare.messenger->GetContact(extensionsutils::Bstr(BareEventContact).get(), nullptr, bareContact.out())))
        status = exitCannotRun;
    std::vector<std::pair<extensionsutils::ComPtr<IConnectionPoint>, DWORD>> connections;
    for (const ProviderObjects* side : {&module, &bare}) {
        extensionsutils::ComPtr<IConnectionPoint> point;
        const auto container = !uc ? side->messenger.as<IConnectionPointContainer>()
                               : side == &module ? module.ucContact.as<IConnectionPointContainer>()
                                                 : bareContact.as<IConnectionPointContainer>();
        const IID& events = uc ? DIID__IUCCContactEvents : DIID_DMessengerEvents;
        if (status != exitOk || !container || FAILED(container->FindConnectionPoint(events, point.out()))) {
            status = exitCannotRun;
            break;
        }
        for (int i = 0; i < count; ++i) {
            const HANDLE receipts = side == &module ? moduleReceipts : bareReceipts;
            IDispatch* sink = uc ? new CountingSink(receipts, DIID__IUCCContactEvents, extensionsutils::officeevents::onContactInformationChanged)
                                 : new CountingSink(receipts, side == &module ? markers : nullptr);
            DWORD cookie = 0;
            if (SUCCEEDED(point->Advise(sink, &cookie))) connections.emplace_back(point, cookie);
            else status = exitCannotRun;
            sink->Release();
        }
    }
    if (status == exitOk) {
        ReleaseSemaphore(ready, 1, nullptr);
        DWORD index = 0;
        if (FAILED(CoWaitForMultipleHandles(0, 300000, 1, &done, &index))) status = exitFailed;
    } else {
        std::printf("benchoffice: error: the sinks could not be connected\n");
    }
    for (auto& connection : connections) connection.first->Unadvise(connection.second);
    for (HANDLE handle : {moduleReceipts, bareReceipts, markers, ready, done})
        if (handle) CloseHandle(handle);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string option = argc > 2 ? argv[2] : "";
    if (mode != "calls" && mode != "first-call" && mode != "first-once" && mode != "memory" && mode != "sinks") {
        std::fprintf(stderr, "usage: benchoffice calls|first-call|memory [--quick] | first-once [bare-first] | sinks N [uc]\n");
        return exitCannotRun;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return exitCannotRun;
    int status = exitCannotRun;
    if (mode == "calls") status = calls(option == "--quick");
    else if (mode == "first-call") status = firstCalls(option == "--quick");
    else if (mode == "memory") status = memory(option == "--quick");
    else if (mode == "sinks") status = sinks(std::atoi(option.c_str()), argc > 3 && std::string(argv[3]) == "uc");
    else status = firstOnce(option == "bare-first");
    CoUninitialize();
    return status;
}
