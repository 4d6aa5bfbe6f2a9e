// officesim: plays Microsoft Office against the running IM provider. See OfficeSimOptions.h for the command
// line and OfficeSimulator.h for what a run does.
#include "officesim/OfficeSimOptions.h"
#include "officesim/OfficeSimulator.h"
#include "common/ConsoleOutput.h"

#include "officesim/Names.h"

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

using namespace officesim;

int wmain(int argc, wchar_t** argv)
{
    tools::ConsoleOutput output(L"officesim");
    std::wstring error;
    const std::optional<OfficeSimOptions> options =
        parseOfficeSimOptions(std::vector<std::wstring>(argv + 1, argv + argc), error);
    if (!options) {
        output.line(L"officesim: " + error);
        output.line(OfficeSimUsage);
        return ExitCannotRun;
    }
    if (options->help) {
        output.line(OfficeSimUsage);
        return ExitOk;
    }
    const HRESULT initialised = CoInitializeEx(
        nullptr, options->singleThreadedApartment ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
    if (FAILED(initialised)) {
        output.line(L"officesim: CoInitializeEx failed with " + hresultText(initialised));
        return ExitCannotRun;
    }
    int exitCode = ExitOk;
    {
        // A call stuck in the provider must not keep Office's stand-in from reporting it: end the process.
        OfficeSimulator simulator(*options, output, [&output](const std::wstring& call, DWORD elapsedMs) {
            output.line(L"officesim: HANG: " + call + L" has not returned after " + std::to_wstring(elapsedMs) +
                        L" ms");
            output.line(L"officesim: exit " + std::to_wstring(ExitHang));
            TerminateProcess(GetCurrentProcess(), ExitHang);
        });
        exitCode = simulator.run();
    }
    output.line(L"officesim: exit " + std::to_wstring(exitCode));
    CoUninitialize();
    return exitCode;
}
