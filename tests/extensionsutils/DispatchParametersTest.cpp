#include "extensionsutils/DispatchParameters.h"

#include "ComTestSupport.h"
#include "RecordingSink.h"

#include <gtest/gtest.h>

#include <string>

using namespace extensionsutils;

TEST(DispatchParameters, InvokesAMethodWithTheArgumentsReversed)
{
    MICComPtr<RecordingSink> sink = ComObject<RecordingSink>::create();
    DispatchParameters parameters;
    ASSERT_EQ(S_OK, parameters.add(Variant::fromString(L"A")));
    ASSERT_EQ(S_OK, parameters.add(Variant::fromInt32(2)));

    ASSERT_EQ(S_OK, parameters.invoke(sink.as<IDispatch>().get(), 0x41A));

    const std::vector<RecordedCall> calls = sink->calls();
    ASSERT_EQ(1u, calls.size());
    const RecordedCall& call = calls[0];
    EXPECT_EQ(0x41A, call.id);
    EXPECT_TRUE(IsEqualIID(IID_NULL, call.iid));
    EXPECT_EQ(static_cast<LCID>(LOCALE_USER_DEFAULT), call.locale);
    EXPECT_EQ(DISPATCH_METHOD, call.flags);
    EXPECT_EQ(0u, call.namedArguments);
    EXPECT_FALSE(call.wantedResult || call.wantedException || call.wantedArgumentError);
    ASSERT_EQ(2u, call.arguments.size());
    EXPECT_EQ(VT_I4, call.arguments[0].type());
    EXPECT_EQ(2, call.arguments[0].get()->lVal);
    ASSERT_EQ(VT_BSTR, call.arguments[1].type());
    EXPECT_EQ(std::wstring(L"A"), call.arguments[1].get()->bstrVal);
}

TEST(DispatchParameters, InvokesWithNoArgumentsAndFailsOnANullTarget)
{
    MICComPtr<RecordingSink> sink = ComObject<RecordingSink>::create();
    DispatchParameters none;
    EXPECT_EQ(S_OK, none.invoke(sink.as<IDispatch>().get(), 0x408));
    ASSERT_EQ(1u, sink->calls().size());
    EXPECT_TRUE(sink->calls()[0].arguments.empty());
    EXPECT_EQ(E_FAIL, none.invoke(nullptr, 0x408));

    sink->answer = DISP_E_MEMBERNOTFOUND;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, none.invoke(sink.as<IDispatch>().get(), 0x408));
}

TEST(DispatchParameters, KeepsItsOwnCopiesWhatEverTheCallerOrACalleeDoes)
{
    DispatchParameters parameters;
    {
        Variant text = Variant::fromString(L"kept");
        ASSERT_EQ(S_OK, parameters.add(text));
    }
    MICComPtr<RecordingSink> scribbler = ComObject<RecordingSink>::create();
    scribbler->scribbleOnArguments = true;
    MICComPtr<RecordingSink> next = ComObject<RecordingSink>::create();
    ASSERT_EQ(S_OK, parameters.invoke(scribbler.as<IDispatch>().get(), 1));
    ASSERT_EQ(S_OK, parameters.invoke(next.as<IDispatch>().get(), 1));

    ASSERT_EQ(1u, next->calls().size());
    ASSERT_EQ(VT_BSTR, next->calls()[0].arguments[0].type());
    EXPECT_EQ(std::wstring(L"kept"), next->calls()[0].arguments[0].get()->bstrVal);
}
