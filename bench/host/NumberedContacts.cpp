#include "host/NumberedContacts.h"

namespace bench {

std::wstring numberedContact(const wchar_t* prefix, const wchar_t* domain, long index, int count)
{
    return prefix + std::to_wstring(index % count) + L"@" + domain;
}

void addNumberedContacts(fakehost::FakeHost& host, const wchar_t* prefix, const wchar_t* domain, int count,
                         const wchar_t* friendlyPrefix, const std::function<long(int)>& presenceOf)
{
    for (int i = 0; i < count; ++i) {
        fakehost::ContactRecord contact;
        contact.signinName = numberedContact(prefix, domain, i, count);
        contact.friendlyName = friendlyPrefix + (L" " + std::to_wstring(i));
        contact.presence = presenceOf(i);
        host.addContact(contact);
    }
}

} // namespace bench
