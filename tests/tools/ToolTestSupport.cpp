#include "ToolTestSupport.h"

#include "common/ProgramFolder.h"
#include "support/ThreadTestHelpers.h"
#include "extensionsutils/Utf8.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tooltest {
std::size_t ProgramRun::countLines(const std::wstring& text) const
{
    std::size_t count = 0;
    std::wistringstream lines(output);
    for (std::wstring line; std::getline(lines, line);) count += line.find(text) != std::wstring::npos;
    return count;
}

// The program writes into a file of its own (no pipe, so no reader thread); both outputs share its handle.
ProgramRun runProgram(const wchar_t* program, const std::wstring& arguments, DWORD timeoutMs)
{
    ProgramRun run;
    const TempFile written(std::wstring(program) + L".output", "");
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    Handle output(CreateFileW(written.path.c_str(), GENERIC_WRITE, share, &inherit, OPEN_EXISTING, 0, nullptr));
    Handle input(CreateFileW(L"NUL", GENERIC_READ, share, &inherit, OPEN_EXISTING, 0, nullptr));
    const std::wstring path = tools::besideThisProgram(program);
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = startup.hStdError = output.get();
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return run;
    Handle process(info.hProcess), thread(info.hThread);
    run.finished = WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
    if (!run.finished && TerminateProcess(process.get(), 99)) WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), &run.exitCode);
    output.reset();
    std::ifstream in(std::filesystem::path(written.path), std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    run.output = extensionsutils::toUtf16(bytes);
    return run;
}

TempFile::TempFile(const std::wstring& name, const std::string& utf8Content)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path = std::wstring(folder) + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << utf8Content;
}

} // namespace tooltest
