// providerdoctor: why does Office show no presence? Reads what Office reads to find and reach its IM
// provider, prints each finding as ok, note or PROBLEM (with its fix) and exits 1 when there is a problem.
#include "providerdoctor/ProviderDoctor.h"
#include "providerdoctor/TypeLibraryChecks.h"

#include "extensionsutils/Utf8.h"

#include <cstdio>
#include <string>

namespace {

void printLine(const std::wstring& line)
{
    const std::string utf8 = extensionsutils::toUtf8(line);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1) {
        printLine(L"usage: providerdoctor");
        printLine(L"Reads what Office reads to find its IM provider \"Norvane Quillon\" and prints each finding as "
                  L"ok, note or PROBLEM with its fix. Exits 0 when no problem is found, 1 otherwise.");
        return std::wstring(argv[1]) == L"--help" ? 0 : 2;
    }
    const bool underWine = doctor::runningUnderWine();
    printLine(L"providerdoctor: what Office reads to find its IM provider" +
              std::wstring(underWine ? L" (running under Wine)" : L""));
    const std::vector<doctor::Finding> findings = doctor::diagnose(underWine);
    for (const std::wstring& line : doctor::formatReport(findings)) printLine(line);
    std::fflush(stdout);
    return doctor::countProblems(findings) == 0 ? 0 : 1;
}
