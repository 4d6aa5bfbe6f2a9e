#include "ToolTestSupport.h"

#include "common/ProgramFolder.h"
#include "extensionsutils/Utf8.h"
#include "hostsim/ProviderInstallation.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace tooltest {

namespace {

struct CloseHandleDeleter {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, CloseHandleDeleter>;

} // namespace

std::wstring besideTestProgram(const wchar_t* fileName)
{
    return tools::besideThisProgram(fileName);
}

std::size_t ProgramRun::countLines(const std::wstring& text) const
{
    std::size_t count = 0;
    std::wistringstream lines(output);
    for (std::wstring line; std::getline(lines, line);) count += line.find(text) != std::wstring::npos;
    return count;
}

ProgramRun runProgram(const wchar_t* program, const std::wstring& arguments, DWORD timeoutMs)
{
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readHandle = nullptr;
    HANDLE writeHandle = nullptr;
    if (!CreatePipe(&readHandle, &writeHandle, &inherit, 0)) return run;
    Handle readEnd(readHandle);
    Handle writeEnd(writeHandle);
    SetHandleInformation(readHandle, HANDLE_FLAG_INHERIT, 0);
    Handle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr));

    const std::wstring path = besideTestProgram(program);
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = startup.hStdError = writeHandle;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return run;
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    writeEnd.reset(); // the child holds the only write end now: reading ends when it exits

    std::string bytes;
    std::thread reader([&] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(readHandle, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    });
    run.finished = WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
    if (!run.finished) TerminateProcess(process.get(), 99);
    WaitForSingleObject(process.get(), INFINITE);
    reader.join();
    GetExitCodeProcess(process.get(), &run.exitCode);
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    run.output = extensionsutils::toUtf16(bytes);
    return run;
}

TempFile::TempFile(const std::wstring& name, const std::string& utf8Content)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
    std::ofstream file(std::filesystem::path(path_), std::ios::binary | std::ios::trunc);
    file << utf8Content;
}

HRESULT registerModule(const std::wstring& modulePath, bool withLocaleZeroEntry)
{
    const HMODULE module = LoadLibraryW(modulePath.c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using RegisterFunction = HRESULT(WINAPI*)();
    const auto registerServer =
        reinterpret_cast<RegisterFunction>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    HRESULT hr = registerServer ? registerServer() : E_NOTIMPL;
    // No thread of the module runs: it was never started, so it can go again at once.
    FreeLibrary(module);
    if (SUCCEEDED(hr) && withLocaleZeroEntry) hr = hostsim::registerTypeLibraryLocaleZero(modulePath);
    return hr;
}

} // namespace tooltest
