#include "ToolTestSupport.h"

#include "common/ProgramFolder.h"
#include "extensionsutils/Utf8.h"
#include "hostsim/ProviderInstallation.h"

#include <fstream>
#include <filesystem>
#include <thread>

namespace tooltest {

namespace {

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle()
    {
        if (handle_) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }
    void close()
    {
        if (handle_) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

std::size_t countLinesIn(const std::vector<std::wstring>& lines, const std::wstring& text)
{
    std::size_t count = 0;
    for (const std::wstring& line : lines)
        if (line.find(text) != std::wstring::npos) ++count;
    return count;
}

std::vector<std::wstring> linesOf(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

std::wstring besideTestProgram(const wchar_t* fileName)
{
    return tools::besideThisProgram(fileName);
}

std::size_t ProgramRun::countLines(const std::wstring& text) const
{
    return countLinesIn(linesOf(output), text);
}

ProgramRun runProgram(const wchar_t* program, const std::wstring& arguments, DWORD timeoutMs)
{
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    Handle readEnd;
    Handle writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inherit, 0)) return run;
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    Handle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr));

    const std::wstring path = besideTestProgram(program);
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return run;
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    writeEnd.close(); // the child holds the only write end now: reading ends when it exits

    std::string bytes;
    std::thread reader([&] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    });
    run.finished = WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
    if (!run.finished) TerminateProcess(process.get(), 99);
    WaitForSingleObject(process.get(), INFINITE);
    reader.join();
    GetExitCodeProcess(process.get(), &run.exitCode);
    std::string text;
    for (char c : bytes)
        if (c != '\r') text += c;
    run.output = extensionsutils::toUtf16(text);
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

TempFile::~TempFile()
{
    DeleteFileW(path_.c_str());
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
