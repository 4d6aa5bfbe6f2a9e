#pragma once

// The Messenger API's own results, as Office knows them.

#include <windows.h>

// The host client's user is not signed in: every guarded Messenger API operation answers this.
constexpr HRESULT MSGR_E_NOT_LOGGED_ON = static_cast<HRESULT>(0x8100031E);
