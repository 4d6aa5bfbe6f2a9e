#include "officesim/Output.h"

#include "extensionsutils/Utf8.h"

#include <cstdio>

namespace officesim {

Output::Output()
    : sink_([](const std::string& line) {
          std::fwrite(line.data(), 1, line.size(), stdout);
          std::fputc('\n', stdout);
          std::fflush(stdout);
      })
{
}

Output::Output(Sink sink) : sink_(std::move(sink)) {}

void Output::line(const std::wstring& text)
{
    const std::string utf8 = extensionsutils::toUtf8(text);
    std::lock_guard<std::mutex> lock(mutex_);
    sink_(utf8);
}

} // namespace officesim
