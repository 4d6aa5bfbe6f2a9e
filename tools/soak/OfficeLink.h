#pragma once

// One Office thread's connection to the provider, made as Office makes it: the Messenger object created
// for local-server activation, then the UC client and its contact manager behind IUCOfficeIntegration.
// Used on the thread that made it (its apartment's proxies).

#include "officesim/Answer.h"

#include <string>

namespace soak {

struct OfficeLink {
    extensionsutils::ComPtr<IUnknown> messenger;
    officesim::Object client;
    officesim::Object contactManager;

    // Connects; false with what failed in `problem`. `retryMs`: how long "class not registered" is retried.
    bool connect(unsigned long retryMs, std::wstring& problem);
    void release();
};

// The known answers of a running provider: the signed-in user's sign-in name on both APIs, a contact's name
// and status, the UC client signed in. Empty when all are right, else what was wrong.
std::wstring checkKnownAnswers(const OfficeLink& link);

} // namespace soak
