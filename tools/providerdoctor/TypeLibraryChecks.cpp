#include "providerdoctor/TypeLibraryChecks.h"

#include "extensionsutils/GuidText.h"
#include "providerdoctor/ModuleVersionCheck.h"
#include "providerdoctor/PeMachine.h"

#include "common/ContractIds.h"
#include "common/RegistryValue.h"

#include <algorithm>
#include <cwctype>

namespace doctor {

using extensionsutils::guidText;

namespace {

const wchar_t* const subject = L"Type library";
const wchar_t* const libraryVersion = L"1.0";

const std::wstring registerFix =
    L"register the module as its installer does: regsvr32 TavoMessenger.dll as administrator (or hostsim --install)";

std::wstring localeZeroFix(const std::wstring& versionKey)
{
    return L"add the locale-0 entry beside the registered one (hostsim --install does), for example: reg add "
           L"\"HKLM\\Software\\Classes\\" + versionKey + L"\\0\\win32\" /ve /d \"<path of TavoMessenger.dll>\" /f";
}

bool isHexNumber(const std::wstring& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return std::iswxdigit(c) != 0; });
}

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A registered path may end in "\<n>", the index of the TYPELIB resource when it is not 1.
std::wstring fileOfLibraryPath(const std::wstring& path)
{
    if (fileExists(path)) return path;
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && isHexNumber(path.substr(slash + 1))) return path.substr(0, slash);
    return path;
}

// moduleFile: set to the file the entry names when that file is a module of the right platform.
Finding checkEntry(const std::wstring& key, const std::wstring& platform, std::wstring& moduleFile)
{
    const std::optional<std::wstring> path =
        tools::readRegistryValue(HKEY_CLASSES_ROOT, key, nullptr).asString();
    const std::wstring where = L"HKCR\\" + key;
    if (!path || path->empty()) return Finding::problem(subject, where + L" has no path", registerFix);
    const std::wstring file = fileOfLibraryPath(*path);
    if (!fileExists(file)) {
        return Finding::problem(subject, where + L" = " + *path + L", which does not exist",
                                L"register the module again from where it is installed: regsvr32 "
                                L"<path>\\TavoMessenger.dll");
    }
    const std::optional<WORD> machine = readPeMachine(file);
    const std::optional<WORD> expected = machineOfPlatform(platform);
    if (!machine) {
        return Finding::problem(subject, where + L" = " + *path + L", which is not a Windows module", registerFix);
    }
    if (expected && *machine != *expected) {
        return Finding::problem(subject, where + L" = " + *path + L", a " + machineName(*machine) + L" file under " +
                                             platform + L" (" + machineName(*expected) + L" expected)",
                                L"register the module of the right bitness: the 32-bit TavoMessenger.dll "
                                L"writes win32, the 64-bit one win64");
    }
    moduleFile = file;
    return Finding::ok(subject, where + L" = " + *path + L" (" + machineName(*machine) + L")");
}

} // namespace

bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::vector<Finding> checkTypeLibraryRegistration(bool underWine)
{
    std::vector<Finding> findings;
    const std::wstring libraryKey = L"TypeLib\\" + guidText(contractid::TavoMessengerLib);
    const std::vector<std::wstring> versions = tools::registrySubkeyNames(HKEY_CLASSES_ROOT, libraryKey);
    if (versions.empty()) {
        findings.push_back(Finding::problem(subject, L"HKCR\\" + libraryKey + L" is missing: the module's type library "
                                                                              L"is not registered, so COM cannot "
                                                                              L"marshal its interfaces",
                                            registerFix));
        return findings;
    }
    if (std::find(versions.begin(), versions.end(), libraryVersion) == versions.end()) {
        findings.push_back(Finding::problem(subject, L"HKCR\\" + libraryKey + L" has no version 1.0, the module's",
                                            registerFix));
        return findings;
    }
    const std::wstring versionKey = libraryKey + L"\\" + libraryVersion;
    bool anyEntry = false;
    bool localeZero = false;
    std::vector<std::wstring> modules;
    for (const std::wstring& locale : tools::registrySubkeyNames(HKEY_CLASSES_ROOT, versionKey)) {
        if (!isHexNumber(locale)) continue; // FLAGS, HELPDIR
        const std::wstring localeKey = versionKey + L"\\" + locale;
        for (const std::wstring& platform : tools::registrySubkeyNames(HKEY_CLASSES_ROOT, localeKey)) {
            std::wstring module;
            findings.push_back(checkEntry(localeKey + L"\\" + platform, platform, module));
            if (!module.empty() && std::find(modules.begin(), modules.end(), module) == modules.end())
                modules.push_back(module);
            anyEntry = true;
            if (locale == L"0") localeZero = true;
        }
    }
    if (!anyEntry) {
        findings.push_back(Finding::problem(subject, L"HKCR\\" + versionKey + L" names no file", registerFix));
    } else if (underWine && !localeZero) {
        findings.push_back(Finding::problem(subject, L"no locale-0 entry under HKCR\\" + versionKey + L": Wine's "
                                                     L"marshaler looks the library up for locale 0 only",
                                            localeZeroFix(versionKey)));
    }
    for (const std::wstring& module : modules) findings.push_back(describeModule(module));
    return findings;
}

} // namespace doctor
