#include "providerdoctor/ModuleVersionCheck.h"

#include "common/FileVersion.h"

namespace doctor {

Finding describeModule(const std::wstring& path)
{
    const wchar_t* const subject = L"Module";
    const std::optional<tools::FileVersion> version = tools::readFileVersion(path);
    if (!version) return Finding::note(subject, path + L" carries no version resource");
    const std::wstring build = version->buildId.empty() ? L"unknown" : version->buildId;
    return Finding::ok(subject,
                       path + L": " + version->productName + L" version " + version->fileVersion + L", build " + build);
}

} // namespace doctor
