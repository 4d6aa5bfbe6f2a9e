#include "ChildProcess.h"

#include "common/ProgramFolder.h"
#include "extensionsutils/Utf8.h"

#include <chrono>

namespace xproc {

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments)
{
    // The child inherits every inheritable handle, and passes them on to what it starts (explorer.exe, in
    // Wine). This program's own standard streams, the test runner's pipes, must not go with them: the
    // runner would wait for those pipes to close long after this test has ended.
    for (DWORD stream : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE handle = GetStdHandle(stream);
        if (handle && handle != INVALID_HANDLE_VALUE) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE childInput = nullptr, input = nullptr, output = nullptr, childOutput = nullptr;
    const bool piped = CreatePipe(&childInput, &input, &inheritable, 0) && CreatePipe(&output, &childOutput, &inheritable, 0);
    // The child's ends go once it has its own copies; this program keeps the others.
    const Handle childEnds[] = {Handle(childInput), Handle(childOutput)};
    input_.reset(input);
    Handle outputEnd(output);
    if (!piped) return;
    // Only the child's ends are inherited.
    SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);

    const std::wstring path = tools::besideThisProgram(program.c_str());
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = startup.hStdError = childOutput;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) return;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    reader_ = std::thread([this, output = outputEnd.release()] { readOutput(output); });
}

void ChildProcess::closeInput() { input_.reset(); }

ChildProcess::~ChildProcess()
{
    closeInput();
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) kill();
    if (reader_.joinable()) reader_.join();
}

bool ChildProcess::send(const std::string& line)
{
    const std::string text = line + "\n";
    DWORD written = 0;
    return input_ && WriteFile(input_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

// The program's end, not the pipe's, ends the reading: a process it starts may inherit the pipe and keep
// it open (the first program of a Wine session that makes a window starts explorer.exe so).
void ChildProcess::readOutput(HANDLE output)
{
    const DWORD pollMs = 20;
    std::string partial;
    char buffer[4096];
    auto addLine = [&](std::string utf8) {
        if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back({extensionsutils::toUtf16(utf8)});
    };
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr)) break; // every writer is gone
        if (available == 0) {
            const bool ended = WaitForSingleObject(process_.get(), pollMs) == WAIT_OBJECT_0;
            if (ended && PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) && available == 0) break;
            continue;
        }
        DWORD read = 0;
        if (!ReadFile(output, buffer, available < sizeof(buffer) ? available : sizeof(buffer), &read, nullptr) || read == 0) break;
        partial.append(buffer, read);
        for (std::size_t end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
            addLine(partial.substr(0, end));
            partial.erase(0, end + 1);
        }
        changed_.notify_all();
    }
    if (!partial.empty()) addLine(partial);
    CloseHandle(output);
    std::lock_guard<std::mutex> lock(mutex_);
    outputEnded_ = true;
    changed_.notify_all();
}

std::optional<std::size_t> ChildProcess::waitForLine(const std::wstring& text, DWORD timeoutMs, std::size_t from)
{
    std::unique_lock<std::mutex> lock(mutex_);
    std::size_t line = from;
    const auto seen = [&] {
        while (line < lines_.size() && lines_[line].text.find(text) == std::wstring::npos) ++line;
        return line < lines_.size() || outputEnded_;
    };
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), seen);
    return line < lines_.size() ? std::make_optional(line) : std::nullopt;
}

std::vector<OutputLine> ChildProcess::lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::size_t ChildProcess::countLines(const std::wstring& text, const std::wstring& prefix) const
{
    std::size_t count = 0;
    for (const OutputLine& line : lines()) count += line.text.rfind(prefix, 0) == 0 && line.text.find(text) != std::wstring::npos;
    return count;
}

std::wstring ChildProcess::output() const
{
    std::wstring text;
    for (const OutputLine& line : lines()) text += line.text + L"\n";
    return text;
}

std::optional<DWORD> ChildProcess::waitForExit(DWORD timeoutMs)
{
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    // The output pipe closes with the process; the last lines are in once the reader has finished.
    if (reader_.joinable()) reader_.join();
    DWORD exitCode = 0;
    GetExitCodeProcess(process_.get(), &exitCode);
    return exitCode;
}

void ChildProcess::kill()
{
    if (!process_) return;
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10000);
}

} // namespace xproc
