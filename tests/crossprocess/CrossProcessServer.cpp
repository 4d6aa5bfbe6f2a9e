// Serves LocaleStringServer objects to other processes for local-server activation, until told to stop.
//   crossprocess_server.exe <ready event name> <done event name>
// Exit code 0 when it registered, served and revoked cleanly.
#include "LocaleStringServer.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crossprocess_server <ready event> <done event>\n");
        return 2;
    }
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE done = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    if (!ready || !done) {
        std::fprintf(stderr, "crossprocess_server: events not found\n");
        return 3;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 4;

    int exitCode = 0;
    {
        auto factory = extensionsutils::ComObject<LocaleStringServerFactory>::create();
        DWORD cookie = 0;
        HRESULT hr = CoRegisterClassObject(CLSID_UCCLocaleString, factory.identity(), CLSCTX_LOCAL_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie);
        if (FAILED(hr)) {
            std::fprintf(stderr, "crossprocess_server: CoRegisterClassObject failed 0x%08lx\n", hr);
            exitCode = 5;
        } else {
            SetEvent(ready);
            if (WaitForSingleObject(done, 60000) != WAIT_OBJECT_0) exitCode = 6;
            if (FAILED(CoRevokeClassObject(cookie))) exitCode = 7;
        }
    }
    CoUninitialize();
    CloseHandle(ready);
    CloseHandle(done);
    return exitCode;
}
