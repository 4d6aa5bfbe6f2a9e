#include "ServerRegistration.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/RegKey.h"

#include "TavoMessengerLib.h"

#include <oleauto.h>

#include <string>
#include <vector>

namespace ServerRegistration {

const wchar_t* const AppId = L"{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}";

namespace {

const wchar_t* const projectName = L"TavoMessenger";
const wchar_t* const moduleFileName = L"TavoMessenger.DLL";

using TypeLibRegistrar = HRESULT(WINAPI*)(ITypeLib*, LPOLESTR, LPOLESTR);
using TypeLibUnregistrar = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// Sets the thread locale to the system default for the life of the object.
class SystemLocaleScope
{
public:
    SystemLocaleScope() : previous_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemLocaleScope() { SetThreadLocale(previous_); }
    SystemLocaleScope(const SystemLocaleScope&) = delete;
    SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

private:
    LCID previous_;
};

// HKEY_CLASSES_ROOT's machine side, or the current user's classes.
HKEY classesHive(bool perUser)
{
    return perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::wstring classesPath(const std::wstring& key)
{
    return L"Software\\Classes\\" + key;
}

HRESULT setStringValue(bool perUser, const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    extensionsutils::RegKey handle;
    const LONG status = RegCreateKeyExW(classesHive(perUser), classesPath(key).c_str(), 0, nullptr, 0, KEY_WRITE,
                                        nullptr, handle.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    return HRESULT_FROM_WIN32(handle.writeString(name, value));
}

HRESULT deleteKey(bool perUser, const std::wstring& key)
{
    const LONG status = RegDeleteKeyW(classesHive(perUser), classesPath(key).c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(status);
}

HRESULT applyScript(bool perUser)
{
    const std::wstring appIdKey = std::wstring(L"AppID\\") + AppId;
    HRESULT hr = setStringValue(perUser, appIdKey, nullptr, projectName);
    if (FAILED(hr)) return hr;
    return setStringValue(perUser, std::wstring(L"AppID\\") + moduleFileName, L"AppID", AppId);
}

HRESULT removeScript(bool perUser)
{
    HRESULT first = deleteKey(perUser, std::wstring(L"AppID\\") + AppId);
    const HRESULT second = deleteKey(perUser, std::wstring(L"AppID\\") + moduleFileName);
    return FAILED(first) ? first : second;
}

std::wstring modulePath(HMODULE module)
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return std::wstring(path.data(), length);
        path.resize(path.size() * 2);
    }
}

// RegisterTypeLibForUser and UnRegisterTypeLibForUser are looked up at run time: older automation
// libraries do not have them.
template <class Function>
Function automationFunction(const char* name)
{
    HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    return oleaut ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(oleaut, name))) : nullptr;
}

HRESULT registerTypeLibrary(HMODULE module, bool perUser)
{
    std::wstring path = modulePath(module);
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    extensionsutils::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLib(path.c_str(), library.out());
    if (FAILED(hr)) return hr;
    if (!perUser) return RegisterTypeLib(library.get(), &path[0], nullptr);
    auto registerForUser = automationFunction<TypeLibRegistrar>("RegisterTypeLibForUser");
    if (!registerForUser) return E_NOTIMPL;
    return registerForUser(library.get(), &path[0], nullptr);
}

HRESULT unregisterTypeLibrary(HMODULE module, bool perUser)
{
    std::wstring path = modulePath(module);
    extensionsutils::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLib(path.c_str(), library.out());
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    const TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);

    TypeLibUnregistrar unregister = UnRegisterTypeLib;
    if (perUser) {
        unregister = automationFunction<TypeLibUnregistrar>("UnRegisterTypeLibForUser");
        if (!unregister) return E_NOTIMPL;
    }
    hr = unregister(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
    // Nothing registered is nothing to remove. Wine answers that case with E_INVALIDARG; the arguments
    // themselves come from the library, so that code means nothing else here.
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED || hr == E_INVALIDARG ? S_OK : hr;
}

} // namespace

HRESULT registerServer(HMODULE module, bool perUser)
{
    SystemLocaleScope locale;
    HRESULT hr = applyScript(perUser);
    if (FAILED(hr)) return hr;
    return registerTypeLibrary(module, perUser);
}

HRESULT unregisterServer(HMODULE module, bool perUser)
{
    SystemLocaleScope locale;
    HRESULT first = unregisterTypeLibrary(module, perUser);
    const HRESULT second = removeScript(perUser);
    return FAILED(first) ? first : second;
}

bool isPerUserCommandLine(const wchar_t* commandLine)
{
    return commandLine && CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) == CSTR_EQUAL;
}

} // namespace ServerRegistration
