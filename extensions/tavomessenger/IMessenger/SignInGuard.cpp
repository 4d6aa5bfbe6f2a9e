#include "IMessenger/SignInGuard.h"

#include "ExtensionProvider/ExtensionProviderClient.h"

namespace messengerapi {

bool signedIn(const logging::CallSite& caller, int level, const char* message)
{
    if (ExtensionProviderClient::isClientLoggedIn()) return true;
    TAVO_LOG_AT(caller, level, message);
    return false;
}

} // namespace messengerapi
