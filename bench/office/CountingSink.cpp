#include "office/CountingSink.h"

#include "TavoMessengerLib.h"

namespace bench {

CountingSink::CountingSink(HANDLE receipts) : CountingSink(receipts, DIID_DMessengerEvents, 0x406) {}

HRESULT CountingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    if (id == counted_) ReleaseSemaphore(receipts_, 1, nullptr);
    return S_OK;
}

} // namespace bench
