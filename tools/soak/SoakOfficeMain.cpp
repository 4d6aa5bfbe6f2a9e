// officesoak: Microsoft Office in a soak run, started by soakhost. Modes: load (Office's threads making
// mixed calls and receiving events), cycles (staying connected while the provider stops and starts) and
// fuzz (seeded malformed calls). See OfficeOptions.h for the command line. Lines for the host start with
// "soakoffice: ".
#include "soak/OfficeCycles.h"
#include "soak/OfficeFuzz.h"
#include "soak/OfficeLoad.h"
#include "soak/OfficeOptions.h"

#include "officesim/Names.h"
#include "common/ConsoleOutput.h"

#include <windows.h>
#include <objbase.h>

using namespace soak;

int wmain(int argc, wchar_t** argv)
{
    tools::ConsoleOutput output(L"soakoffice");
    std::wstring error;
    const std::optional<OfficeOptions> options = parseOfficeOptions(std::vector<std::wstring>(argv + 1, argv + argc), error);
    if (!options) {
        output.line(L"soakoffice: problem " + error);
        return 2;
    }
    // The main thread only waits (load) or calls by itself (cycles, fuzz): the MTA serves both.
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(initialised)) {
        output.line(L"soakoffice: problem CoInitializeEx answered " + officesim::hresultText(initialised));
        return 2;
    }
    int exitCode = 0;
    switch (options->mode) {
    case OfficeMode::Load: exitCode = runOfficeLoad(*options, output); break;
    case OfficeMode::Cycles: exitCode = runOfficeCycles(*options, output); break;
    case OfficeMode::Fuzz: exitCode = runOfficeFuzz(*options, output); break;
    }
    output.line(L"soakoffice: exit " + std::to_wstring(exitCode));
    CoUninitialize();
    return exitCode;
}
