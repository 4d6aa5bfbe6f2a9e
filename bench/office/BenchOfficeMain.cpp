// benchoffice: the Office side of the benchmarks, in a process of its own, single-threaded apartment as
// Office's own thread; benchhost serve must be running in the same prefix.
//   benchoffice calls [--quick]         the calls from Office's process, module vs bare (cross-process)
//   benchoffice first-call [--quick]    Office's first CoCreateInstance and first call, each in a new
//                                       process of this program, module vs bare
//   benchoffice first-once [bare-first] one such measurement: prints "first <module ns> <bare ns>"
// Exit codes: 0 ran (targets may be missed), 1 a measurement failed, 2 could not run.

#include "measure/BenchNames.h"
#include "measure/MeasuredCalls.h"
#include "measure/Stopwatch.h"
#include "office/ChildRun.h"

#include "extensionsutils/ComPtr.h"

#include <objbase.h>

#include <cstdio>
#include <string>

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

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string option = argc > 2 ? argv[2] : "";
    if (mode != "calls" && mode != "first-call" && mode != "first-once") {
        std::fprintf(stderr, "usage: benchoffice calls [--quick] | first-call [--quick] | first-once [bare-first]\n");
        return exitCannotRun;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return exitCannotRun;
    int status = exitCannotRun;
    if (mode == "calls") status = calls(option == "--quick");
    else if (mode == "first-call") status = firstCalls(option == "--quick");
    else status = firstOnce(option == "bare-first");
    CoUninitialize();
    return status;
}
