#include "StoppedNotification.h"

#include "logging/Logging.h"

void StoppedNotification::notify()
{
    if (notified.exchange(true)) return;
    try {
        callHost();
    } catch (...) {
        TAVO_LOG(4, "the host's stopped callback threw an exception, ignoring");
    }
}
