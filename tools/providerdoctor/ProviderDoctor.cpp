#include "providerdoctor/ProviderDoctor.h"

#include "providerdoctor/InterfaceRegistrationChecks.h"
#include "providerdoctor/ProviderKeyChecks.h"
#include "providerdoctor/SettingsChecks.h"
#include "providerdoctor/TypeLibraryChecks.h"

#include <algorithm>

namespace doctor {

namespace {

const wchar_t* label(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Ok:
        return L"ok       ";
    case Verdict::Note:
        return L"note     ";
    case Verdict::Problem:
        return L"PROBLEM  ";
    }
    return L"         ";
}

} // namespace

std::vector<Finding> diagnose(bool underWine)
{
    std::vector<Finding> findings;
    const OfficeVersions versions = detectOfficeVersions();
    findings.push_back(checkDefaultImApp());
    findings.push_back(checkUpAndRunning());
    findings.push_back(checkOffice2007UpAndRunning(versions.office2007()));
    const std::vector<Finding> interfaces = checkInterfaceRegistrations();
    findings.insert(findings.end(), interfaces.begin(), interfaces.end());
    const std::vector<Finding> library = checkTypeLibraryRegistration(underWine);
    findings.insert(findings.end(), library.begin(), library.end());
    findings.push_back(describeOfficeVersions(versions));
    findings.push_back(checkResolveContactSetting());
    return findings;
}

std::vector<std::wstring> formatReport(const std::vector<Finding>& findings)
{
    std::vector<std::wstring> lines;
    for (const Finding& finding : findings) {
        lines.push_back(label(finding.verdict) + finding.subject + L": " + finding.detail);
        if (finding.verdict == Verdict::Problem && !finding.fix.empty())
            lines.push_back(L"         fix: " + finding.fix);
    }
    const std::size_t problems = countProblems(findings);
    if (problems == 0) lines.push_back(L"no problem found");
    else lines.push_back(std::to_wstring(problems) + (problems == 1 ? L" problem found" : L" problems found"));
    return lines;
}

std::size_t countProblems(const std::vector<Finding>& findings)
{
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(),
                                                  [](const Finding& f) { return f.verdict == Verdict::Problem; }));
}

} // namespace doctor
