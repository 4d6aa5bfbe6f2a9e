// StartConversation: which argument arrays are taken (any lower bound, empty) or refused (null, other
// element types, two dimensions, unpaired context), and which host conversation each call starts.

#include "IUCOfficeIntegration/StartConversationInputParser.h"
#include "IUCOfficeIntegration/UCCAutomation.h"

#include "UcFixture.h"

using fakehost::ConversationKind;

namespace {

const LONG kSubject = uiaConversationContextSubject;
const LONG kEndpoint = uiaConversationContextRemoteEndpointUri;

// A one-dimensional array of this element type whose first index is `lowerBound`.
template <class T>
SafeArray arrayFrom(VARTYPE type, LONG lowerBound, const std::vector<T>& values)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    SafeArray array(SafeArrayCreate(type, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lowerBound + i;
        if constexpr (std::is_same_v<T, std::wstring>) {
            SafeArrayPutElement(array.get(), &index, Bstr(values[i]).get());
        } else if constexpr (std::is_same_v<T, Variant>) {
            SafeArrayPutElement(array.get(), &index, const_cast<VARIANT*>(values[i].get()));
        } else {
            LONG value = values[i];
            SafeArrayPutElement(array.get(), &index, &value);
        }
    }
    return array;
}

SafeArray strings(const Strings& values) { return SafeArray::ofStrings(values); }
SafeArray types(const Int32s& values) { return SafeArray::ofInt32s(values); }
SafeArray datas(const std::vector<Variant>& values) { return SafeArray::ofVariants(values); }

SafeArray twoByTwo(VARTYPE elementType)
{
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    return SafeArray(SafeArrayCreate(elementType, 2, bounds));
}

using StartConversation = UcFixture;

TEST_F(StartConversation, TheParserPairsContextByPositionFromAnyLowerBound)
{
    const StartConversationInputParser empty(strings({}).get(), types({}).get(), datas({}).get());
    EXPECT_TRUE(empty.isValid());
    EXPECT_EQ(empty.participantCount(), 0);

    const StartConversationInputParser joined(
        strings({kBob}).get(), types({kSubject, kEndpoint, 2, kSubject, 99}).get(),
        datas({Variant::fromString(L"Quarterly "), Variant::fromString(L"tel:+441"), Variant::fromInt32(5),
               Variant::fromString(L"figures"), Variant()}).get());
    EXPECT_TRUE(joined.isValid());
    EXPECT_EQ(joined.subject(), L"Quarterly figures") << "subjects join in array order; other context is ignored";
    EXPECT_EQ(joined.endpointUri(), L"tel:+441");

    const StartConversationInputParser shifted(
        arrayFrom<std::wstring>(VT_BSTR, 5, {kBob, kUser, L"c"}).get(), arrayFrom<LONG>(VT_I4, 1, {kEndpoint, kSubject}).get(),
        arrayFrom<Variant>(VT_VARIANT, -3, {Variant::fromString(L"tel:+442"), Variant::fromString(L"Hello")}).get());
    EXPECT_TRUE(shifted.isValid());
    EXPECT_EQ(shifted.participantCount(), 3);
    EXPECT_EQ(shifted.endpointUri(), L"tel:+442");
    EXPECT_EQ(shifted.subject(), L"Hello");
}

TEST_F(StartConversation, TheParserRefusesBadArraysWithOneLogLine)
{
    Variant text = Variant::fromString(L"tel:1");
    VARIANT reference;
    reference.vt = VT_BYREF | VT_BSTR;
    reference.pbstrVal = &text.get()->bstrVal;
    SAFEARRAYBOUND none = {0, 0};
    struct Row {
        SafeArray participants, contextTypes, contextDatas;
        const wchar_t* message;
    };
    Row rows[] = {
        {SafeArray(), types({}), datas({}), L"Array is NULL"},
        {strings({kBob}), SafeArray(), datas({}), L"Array is NULL"},
        {strings({kBob}), types({}), SafeArray(), L"Array is NULL"},
        {datas({Variant::fromString(kBob)}), types({}), datas({}), L"Array is not of expected Type"},
        {strings({kBob}), datas({}), datas({}), L"Array is not of expected Type"},
        {strings({kBob}), types({}), strings({}), L"Array is not of expected Type"},
        {strings({kBob}), SafeArray(SafeArrayCreate(VT_INT, 1, &none)), datas({}), L"Array is not of expected Type"},
        {twoByTwo(VT_BSTR), types({}), datas({}), L"Array is not one-dimensional"},
        {strings({kBob}), twoByTwo(VT_I4), twoByTwo(VT_VARIANT), L"Array is not one-dimensional"},
        {strings({kBob}), types({1}), twoByTwo(VT_VARIANT), L"Array is not one-dimensional"},
        {strings({kBob}), types({1, 20}), datas({Variant::fromString(L"s")}), L"ContextTypes and ContextData size do not match"},
        {strings({kBob}), types({}), datas({Variant::fromString(L"s")}), L"ContextTypes and ContextData size do not match"},
        {strings({kBob}), types({kSubject}), datas({Variant::fromInt32(4)}), L"Unable to set Subject"},
        {strings({kBob}), types({kEndpoint}), datas({Variant()}), L"Unable to set Endpoint URI"},
        {strings({kBob}), types({kEndpoint}), datas({Variant(reference)}), L"Unable to set Endpoint URI"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(extensionsutils::toUtf8(row.message));
        host().clearLog();
        const StartConversationInputParser parser(row.participants.get(), row.contextTypes.get(), row.contextDatas.get());
        EXPECT_FALSE(parser.isValid());
        EXPECT_EQ(host().loggedCount(row.message), 1u);
    }
}

class Automation : public UcFixture {
protected:
    void SetUp() override
    {
        UcFixture::SetUp();
        automation = ComObject<UCCAutomation>::create().as<IUCCAutomation>();
        ASSERT_TRUE(automation);
    }

    void releaseTestObjects() override { automation.reset(); }

    ComPtr<IUCCAutomation> automation;
};

// Instant messages go to the others once each with the subject; audio and video call them, one person at
// the remote endpoint Office gives; the user (by any spelling of the sip: scheme) is never invited.
TEST_F(Automation, EachModeStartsItsHostConversation)
{
    const wchar_t* const carol = L"carol@example.com";
    struct Row {
        LONG modes;
        Strings participants;
        Int32s contextTypes;
        const wchar_t* context;
        ConversationKind kind;
        Strings started;
        const wchar_t* subject;
    };
    const Row rows[] = {
        {1, {carol, kUser, kBob, carol}, {kSubject}, L"Budget", ConversationKind::GroupChat, {carol, kBob}, L"Budget"},
        {1, {carol}, {}, nullptr, ConversationKind::InstantMessage, {carol}, nullptr},
        {1, {carol}, {kEndpoint}, L"tel:+441", ConversationKind::InstantMessage, {carol}, nullptr},
        {1, {L"sip:carol@example.com", L"SIP:alice@example.com", L"sip:bob@example.com"}, {}, nullptr,
         ConversationKind::GroupChat, {L"sip:carol@example.com", L"sip:bob@example.com"}, nullptr},
        {2, {L"sip:alice@example.com", L"sip:bob@example.com"}, {}, nullptr, ConversationKind::Call, {L"sip:bob@example.com"}, nullptr},
        {2, {carol, kUser, carol}, {}, nullptr, ConversationKind::Call, {carol}, nullptr},
        {4, {kBob, carol, kBob}, {}, nullptr, ConversationKind::ConferenceCall, {kBob, carol}, nullptr},
        {2, {carol}, {kEndpoint}, L"tel:+441", ConversationKind::Call, {L"tel:+441"}, nullptr},
        {4, {carol, kBob}, {kEndpoint}, L"tel:+441", ConversationKind::ConferenceCall, {carol, kBob}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.started));
        host().forgetRecords();
        std::vector<Variant> context;
        if (row.context) context.push_back(Variant::fromString(row.context));
        const LateBoundResult result = callByName(
            automation.as<IDispatch>().get(), L"StartConversation", DISPATCH_METHOD,
            {Variant::fromInt32(row.modes), arrayArgument(strings(row.participants)),
             arrayArgument(types(row.contextTypes)), arrayArgument(datas(context))});
        EXPECT_EQ(result.member, S_OK);
        const auto started = host().conversations();
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].kind, row.kind);
        EXPECT_EQ(started[0].participants, row.started);
        if (row.subject) EXPECT_EQ(started[0].subject, row.subject);
    }
}

TEST_F(Automation, OtherModesBadArgumentsAndHostFailuresStartNothingAndWriteNoWindow)
{
    IUCCConversationWindow* window = reinterpret_cast<IUCCConversationWindow*>(0x5150);
    auto start = [&](LONG modes, const SafeArray& participants, const SafeArray& contextTypes, const SafeArray& datas) {
        return automation->StartConversation(static_cast<AutomationModalities>(modes), participants.get(),
                                             contextTypes.get(), datas.get(), &window);
    };
    for (LONG modes : {0L, 3L, 5L, 6L, 7L, 8L, 16L, 31L})
        EXPECT_EQ(start(modes, strings({kBob}), types({}), datas({})), S_OK) << modes;
    EXPECT_EQ(start(1, datas({Variant::fromString(kBob)}), types({}), datas({})), E_INVALIDARG);
    EXPECT_EQ(start(2, SafeArray(), types({}), datas({})), E_INVALIDARG);
    EXPECT_EQ(start(2, strings({kBob}), types({1, 20}), datas({Variant::fromString(L"s")})), E_INVALIDARG);
    EXPECT_EQ(host().loggedCount(L"Invalid arguments passed to StartConversation"), 3u);
    EXPECT_TRUE(host().conversations().empty());

    host().failMethod(HostMethod::StartGroupChat);
    host().failMethod(HostMethod::MakeCall);
    EXPECT_EQ(start(1, strings({kBob, L"carol@example.com"}), types({}), datas({})), S_OK)
        << "the host's failure is not Office's business";
    EXPECT_EQ(start(2, strings({kBob}), types({}), datas({})), S_OK);
    EXPECT_EQ(host().callCount(HostMethod::StartGroupChat), 1u);
    EXPECT_EQ(window, reinterpret_cast<IUCCConversationWindow*>(0x5150));
}

} // namespace
