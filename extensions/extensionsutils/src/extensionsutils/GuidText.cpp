#include "extensionsutils/GuidText.h"

#include <objbase.h>

namespace extensionsutils {

std::wstring guidText(REFGUID guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

} // namespace extensionsutils
