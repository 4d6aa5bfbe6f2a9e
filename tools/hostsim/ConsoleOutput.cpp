#include "hostsim/ConsoleOutput.h"

#include "extensionsutils/Utf8.h"

#include <cstdio>

namespace hostsim {

ConsoleOutput::ConsoleOutput()
    : sink_([](const std::string& line) {
          std::fwrite(line.data(), 1, line.size(), stdout);
          std::fputc('\n', stdout);
          std::fflush(stdout);
      })
{
}

ConsoleOutput::ConsoleOutput(Sink sink) : sink_(std::move(sink)) {}

void ConsoleOutput::line(const std::wstring& text)
{
    const std::string utf8 = extensionsutils::toUtf8(text);
    std::lock_guard<std::mutex> lock(mutex_);
    sink_(utf8);
}

void ConsoleOutput::note(const std::wstring& text)
{
    line(L"hostsim: " + text);
}

void ConsoleOutput::error(const std::wstring& text)
{
    line(L"hostsim: error: " + text);
}

} // namespace hostsim
