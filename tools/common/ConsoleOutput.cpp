#include "common/ConsoleOutput.h"

#include "extensionsutils/Utf8.h"

#include <cstdio>

namespace tools {

ConsoleOutput::ConsoleOutput(std::wstring program) : program_(std::move(program)) {}

void ConsoleOutput::line(const std::wstring& text)
{
    const std::string utf8 = extensionsutils::toUtf8(text);
    std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void ConsoleOutput::note(const std::wstring& text)
{
    line(program_ + L": " + text);
}

void ConsoleOutput::error(const std::wstring& text)
{
    line(program_ + L": error: " + text);
}

} // namespace tools
