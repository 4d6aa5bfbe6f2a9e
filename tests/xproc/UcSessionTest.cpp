// The Office 2013/2016 session judges the provider: a well-behaved one passes; a client that does not say
// signed in, a contact address without its scheme, a lookup never answered are violations.
#include "SessionFixture.h"

#include "officesim/UcSession.h"

namespace officesimtest {
namespace {

using officesim::answerOf;

class UcSessionTest : public SessionFixture {
protected:
    officesim::UcSessionResult run(const std::vector<std::wstring>& people = {L"bo@example"})
    {
        return officesim::UcSession(uc_, check_, events_, settings_).run(messenger_.messenger->identity(), people);
    }
};

TEST_F(UcSessionTest, AWellBehavedProviderPassesAndOfficeListensToClientAndContacts)
{
    settings_.lookup = {L"bo@corp.example"};
    const officesim::UcSessionResult result = run();

    EXPECT_EQ(0, report_.violations()) << report();
    ASSERT_EQ(1u, result.contacts.size());
    EXPECT_EQ(1u, uc_.client->sinkCount());
    EXPECT_EQ(1u, static_cast<FakeEventSource*>(static_cast<IDispatch*>(result.contacts[0].get()))->sinkCount());
    EXPECT_EQ(1u, printed("Lookup(bo@corp.example): _IUCCContactsAndGroupsCallback.OnLookup -> sip:bo@corp.example, "
                          "succeeded")) << report();
    EXPECT_EQ((std::vector<std::wstring>{L"chat", L"call"}), uc_.conversations);
    const auto bo = std::find_if(report_.people().begin(), report_.people().end(),
                                 [](const officesim::PersonRow& row) { return row.signinName == L"bo@example"; });
    ASSERT_NE(report_.people().end(), bo);
    EXPECT_EQ(std::optional<long>(3500), bo->availability);
    EXPECT_EQ(L"+1 555 0100", bo->work);
}

TEST_F(UcSessionTest, AClientThatDoesNotSaySignedInWhileRunningIsAViolation)
{
    uc_.state = answerOf(S_OK, 1L);
    run();
    EXPECT_EQ(1u, printed("VIOLATION: IUCCClient.State: answered signed out (1) while the provider runs")) << report();
}

TEST_F(UcSessionTest, AContactAddressWithoutTheSipSchemeIsAViolation)
{
    uc_.uriScheme = L"";
    run();
    EXPECT_LE(1u, printed("IUCCContact.Uri: answered \"bo@example\", which is no sip: address")) << report();
}

TEST_F(UcSessionTest, ALookupNeverAnsweredIsAMissingEvent)
{
    settings_.lookup = {L"bo@corp.example"};
    uc_.answerLookups = false;
    run();
    EXPECT_EQ(1, report_.violations()) << report();
    EXPECT_EQ(1u, printed("no OnLookup within 300 ms (missing event)")) << report();
}

} // namespace
} // namespace officesimtest
