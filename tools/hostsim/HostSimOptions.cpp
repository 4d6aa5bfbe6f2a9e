#include "hostsim/HostSimOptions.h"

#include "hostsim/TextUtils.h"

namespace hostsim {

const wchar_t* const HostSimUsage =
    L"usage: hostsim [options]\n"
    L"  --module PATH         TavoMessenger.dll to load (default: beside hostsim.exe)\n"
    L"  --directory FILE      contact directory (default: demo-directory.txt beside hostsim.exe)\n"
    L"  --install             first write what the host's installer writes: DefaultIMApp, the module's\n"
    L"                        registration (DllRegisterServer) and the type library's locale-0 entry\n"
    L"  --log-level N         print module log records of host levels 0 (severe) to N (detailed); default 3\n"
    L"  --flags N             flags for StartTavoMessenger (1: no UC authentication answer, 2: phone mode)\n"
    L"  --no-start            do not start the module at launch (use the start command)\n"
    L"  --resolve auto|manual answer e-mail resolutions at once (default) or on command\n"
    L"  --script FILE         read commands from FILE instead of standard input; a failing command ends it\n"
    L"  --help                this text and the commands\n";

std::optional<HostSimOptions> parseHostSimOptions(const std::vector<std::wstring>& arguments, std::wstring& error)
{
    HostSimOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& option = arguments[i];
        auto value = [&]() -> const std::wstring* {
            if (i + 1 >= arguments.size()) {
                error = option + L" needs a value";
                return nullptr;
            }
            return &arguments[++i];
        };
        auto fail = [&](const std::wstring& message) {
            error = message;
            return std::nullopt;
        };
        if (option == L"--install") {
            options.install = true;
        } else if (option == L"--no-start") {
            options.startAtLaunch = false;
        } else if (option == L"--help" || option == L"-h" || option == L"/?") {
            options.help = true;
        } else if (option == L"--module" || option == L"--directory" || option == L"--script") {
            const std::wstring* text = value();
            if (!text) return std::nullopt;
            (option == L"--module" ? options.modulePath
                                   : option == L"--directory" ? options.directoryPath : options.scriptPath) = *text;
        } else if (option == L"--log-level") {
            const std::wstring* text = value();
            if (!text) return std::nullopt;
            const std::optional<unsigned long> level = parseUnsigned(*text);
            if (!level || *level > 5) return fail(L"--log-level takes a host level from 0 to 5, not '" + *text + L"'");
            options.logLevel = static_cast<long>(*level);
        } else if (option == L"--flags") {
            const std::wstring* text = value();
            if (!text) return std::nullopt;
            const std::optional<unsigned long> flags = parseUnsigned(*text);
            if (!flags) return fail(L"--flags takes a number, not '" + *text + L"'");
            options.flags = *flags;
        } else if (option == L"--resolve") {
            const std::wstring* text = value();
            if (!text) return std::nullopt;
            const std::wstring mode = toLower(*text);
            if (mode != L"auto" && mode != L"manual")
                return fail(L"--resolve takes auto or manual, not '" + *text + L"'");
            options.resolutionMode = mode == L"manual" ? ResolutionMode::Manual : ResolutionMode::Automatic;
        } else {
            return fail(L"unknown option '" + option + L"'");
        }
    }
    return options;
}

} // namespace hostsim
