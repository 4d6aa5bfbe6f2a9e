#include "providerdoctor/SettingsChecks.h"

#include "utils/RegistryUtils.h"

#include <string>

namespace doctor {

namespace {

const unsigned office2003 = 11;

std::wstring versionText(unsigned version)
{
    return version ? std::to_wstring(version) : std::wstring(L"nothing");
}

} // namespace

OfficeVersions detectOfficeVersions()
{
    OfficeVersions versions;
    versions.fromCurVer = RegistryUtils::officeVersionFromCurVer();
    versions.fromInprocServer = RegistryUtils::officeVersionFromInprocServer();
    return versions;
}

Finding describeOfficeVersions(const OfficeVersions& versions)
{
    const std::wstring subject = L"Office version";
    const std::wstring found = L"Outlook.Application\\CurVer answers " + versionText(versions.fromCurVer) +
                               L", the Office component's folder answers " + versionText(versions.fromInprocServer);
    if (versions.fromCurVer == office2003) {
        return Finding::problem(subject, found + L": Office 2003 is older than any Office the module serves "
                                                 L"(2007 to 2016)",
                                L"use Office 2007 or later");
    }
    if (versions.office2007()) {
        return Finding::ok(subject, found + L": Office 2007, so the module writes UpAndRunning under "
                                            L"\"Communicator\" as well");
    }
    if (!versions.fromCurVer && !versions.fromInprocServer) {
        return Finding::note(subject, found + L": no Office detected; the module writes UpAndRunning under "
                                              L"\"Norvane Quillon\" only, as for Office 2010 and later");
    }
    return Finding::ok(subject, found + L": Office 2010 or later");
}

Finding checkResolveContactSetting()
{
    const std::wstring subject = L"DisableResolveContact";
    const std::wstring where = L"HKCU\\Software\\Norvane Works\\Unified Communications\\Mivra DisableResolveContact";
    if (RegistryUtils::isResolveContactEnabled()) {
        return Finding::ok(subject, where + L" is not 1: Office can resolve e-mail addresses to IM addresses");
    }
    return Finding::problem(subject, where + L" = 1: contact resolution is off, so people whom Office knows only by "
                                             L"e-mail address show no presence",
                            L"unless that is wanted: reg delete \"HKCU\\Software\\Norvane Works\\Unified "
                            L"Communications\\Mivra\" /v DisableResolveContact /f, then restart the host client");
}

} // namespace doctor
