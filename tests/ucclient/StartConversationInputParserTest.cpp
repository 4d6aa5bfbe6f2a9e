// The checks and unpacking of StartConversation's arrays: which shapes are taken, which are refused and
// with which log line.

#include "IUCOfficeIntegration/StartConversationInputParser.h"

#include "ArrayShapes.h"
#include "ClientFixture.h"

#include "TavoMessengerLib.h"

using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

const wchar_t* const ParserSourceFile = L"extensions/tavomessenger/IUCOfficeIntegration/StartConversationInputParser";

class StartConversationInputParserTest : public ClientFixture {
protected:
    // Parses and expects a refusal logged once with this text, at module level 4, by this function.
    void expectRefused(SAFEARRAY* participants, SAFEARRAY* contextTypes, SAFEARRAY* contextDatas,
                       const std::wstring& message, const std::wstring& function)
    {
        host().clearLog();
        const StartConversationInputParser parser(participants, contextTypes, contextDatas);
        EXPECT_FALSE(parser.isValid());
        const fakehost::LogRecord record = onlyRecordOf(message);
        EXPECT_EQ(record.hostLevel, 1);
        EXPECT_EQ(record.function, L"StartConversationInputParser::" + function);
        EXPECT_EQ(record.file, ParserSourceFile);
    }
};

TEST_F(StartConversationInputParserTest, TakesParticipantsWithEmptyContext)
{
    const SafeArray participants = arrays::strings({kAlice, kBob});
    const StartConversationInputParser parser(participants.get(), arrays::noContext().get(), arrays::noData().get());
    EXPECT_TRUE(parser.isValid());
    EXPECT_EQ(parser.participantCount(), 2);
    EXPECT_EQ(parser.subject(), L"");
    EXPECT_EQ(parser.endpointUri(), L"");

    const StartConversationInputParser none(arrays::strings({}).get(), arrays::noContext().get(), arrays::noData().get());
    EXPECT_TRUE(none.isValid());
    EXPECT_EQ(none.participantCount(), 0);
}

TEST_F(StartConversationInputParserTest, KeepsSubjectAndEndpointJoinedInArrayOrderAndIgnoresOtherContext)
{
    const SafeArray participants = arrays::strings({kAlice});
    const SafeArray types = arrays::types({uiaConversationContextSubject, uiaConversationContextRemoteEndpointUri, 2,
                                           uiaConversationContextSubject, 99});
    const SafeArray datas = arrays::datas({Variant::fromString(L"Quarterly "), Variant::fromString(L"tel:+441"),
                                           Variant::fromInt32(5), Variant::fromString(L"figures"), Variant()});
    const StartConversationInputParser parser(participants.get(), types.get(), datas.get());
    EXPECT_TRUE(parser.isValid());
    EXPECT_EQ(parser.subject(), L"Quarterly figures");
    EXPECT_EQ(parser.endpointUri(), L"tel:+441");
    EXPECT_EQ(parser.participantCount(), 1);
}

TEST_F(StartConversationInputParserTest, WalksArraysFromWhateverLowerBoundTheyHave)
{
    const SafeArray participants = arrays::stringsFrom(5, {kAlice, kBob, kUser});
    // Types and data with different lower bounds still pair element by element.
    const SafeArray types = arrays::typesFrom(1, {uiaConversationContextRemoteEndpointUri, uiaConversationContextSubject});
    const SafeArray datas = arrays::datasFrom(-3, {Variant::fromString(L"tel:+442"), Variant::fromString(L"Hello")});
    const StartConversationInputParser parser(participants.get(), types.get(), datas.get());
    EXPECT_TRUE(parser.isValid());
    EXPECT_EQ(parser.participantCount(), 3);
    EXPECT_EQ(parser.endpointUri(), L"tel:+442");
    EXPECT_EQ(parser.subject(), L"Hello");
}

TEST_F(StartConversationInputParserTest, RefusesMissingArrays)
{
    const SafeArray participants = arrays::strings({kAlice});
    expectRefused(nullptr, arrays::noContext().get(), arrays::noData().get(), L"Array is NULL", L"checkArrayType");
    expectRefused(participants.get(), nullptr, arrays::noData().get(), L"Array is NULL", L"checkArrayType");
    expectRefused(participants.get(), arrays::noContext().get(), nullptr, L"Array is NULL", L"checkArrayType");
}

TEST_F(StartConversationInputParserTest, RefusesArraysOfOtherElementTypes)
{
    const SafeArray participants = arrays::strings({kAlice});
    const SafeArray variantParticipants = arrays::datas({Variant::fromString(kAlice)});
    expectRefused(variantParticipants.get(), arrays::noContext().get(), arrays::noData().get(),
                  L"Array is not of expected Type", L"checkArrayType");
    expectRefused(participants.get(), arrays::datas({}).get(), arrays::noData().get(), L"Array is not of expected Type",
                  L"checkArrayType");
    expectRefused(participants.get(), arrays::noContext().get(), arrays::strings({}).get(),
                  L"Array is not of expected Type", L"checkArrayType");
    // Enumerations marshaled as VT_INT are not the 32-bit values expected either.
    SAFEARRAYBOUND none = {0, 0};
    const SafeArray intTypes(SafeArrayCreate(VT_INT, 1, &none));
    expectRefused(participants.get(), intTypes.get(), arrays::noData().get(), L"Array is not of expected Type",
                  L"checkArrayType");
}

TEST_F(StartConversationInputParserTest, RefusesArraysOfTwoDimensions)
{
    const SafeArray participants = arrays::strings({kAlice});
    expectRefused(arrays::twoByTwo(VT_BSTR).get(), arrays::noContext().get(), arrays::noData().get(),
                  L"Array is not one-dimensional", L"checkArrayType");
    expectRefused(participants.get(), arrays::twoByTwo(VT_I4).get(), arrays::twoByTwo(VT_VARIANT).get(),
                  L"Array is not one-dimensional", L"checkArrayType");
    expectRefused(participants.get(), arrays::types({1}).get(), arrays::twoByTwo(VT_VARIANT).get(),
                  L"Array is not one-dimensional", L"checkArrayType");
}

TEST_F(StartConversationInputParserTest, RefusesContextWhoseTypesAndDataDoNotPairUp)
{
    const SafeArray participants = arrays::strings({kAlice});
    expectRefused(participants.get(), arrays::types({1, 20}).get(), arrays::datas({Variant::fromString(L"s")}).get(),
                  L"ContextTypes and ContextData size do not match", L"parseContext");
    expectRefused(participants.get(), arrays::noContext().get(), arrays::datas({Variant::fromString(L"s")}).get(),
                  L"ContextTypes and ContextData size do not match", L"parseContext");
}

TEST_F(StartConversationInputParserTest, RefusesSubjectOrEndpointThatIsNotAString)
{
    const SafeArray participants = arrays::strings({kAlice});
    expectRefused(participants.get(), arrays::types({uiaConversationContextSubject}).get(),
                  arrays::datas({Variant::fromInt32(4)}).get(), L"Unable to set Subject", L"parseContext");
    expectRefused(participants.get(), arrays::types({uiaConversationContextRemoteEndpointUri}).get(),
                  arrays::datas({Variant()}).get(), L"Unable to set Endpoint URI", L"parseContext");
    // A reference to a string is not a string.
    Variant text = Variant::fromString(L"tel:1");
    VARIANT reference;
    reference.vt = VT_BYREF | VT_BSTR;
    reference.pbstrVal = &text.get()->bstrVal;
    expectRefused(participants.get(), arrays::types({uiaConversationContextRemoteEndpointUri}).get(),
                  arrays::datas({Variant(reference)}).get(), L"Unable to set Endpoint URI", L"parseContext");
}

} // namespace
