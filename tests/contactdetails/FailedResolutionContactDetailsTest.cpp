#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"

#include "DetailsFixture.h"

#include <gtest/gtest.h>

#include <memory>

using FailedResolutionContactDetailsTest = DetailsFixture;

TEST_F(FailedResolutionContactDetailsTest, AnswersAnEmptyUriAndNothingElse)
{
    auto details = std::make_unique<FailedResolutionContactDetails>();
    extensionsutils::Bstr uri;
    ASSERT_EQ(details->getUri(uri.out()), S_OK);
    EXPECT_TRUE(uri && uri.empty()) << "an empty string, not a null one";
    EXPECT_EQ(details->getUri(nullptr), E_POINTER);

    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    EXPECT_EQ(details->getDisplayName(&untouched), E_FAIL);
    EXPECT_EQ(details->getPresenceString(&untouched), E_FAIL);
    EXPECT_EQ(details->getWorkNumber(&untouched), E_FAIL);
    EXPECT_EQ(details->getOtherNumber(&untouched), E_FAIL);
    EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0x1234));
    EXPECT_EQ(details->getPresenceState(), 0);
    EXPECT_FALSE(details->getReadTransactionLock());

    auto captured = std::make_shared<int>(0);
    details->startWatchingContact([captured](DISPPARAMS*) {});
    EXPECT_EQ(captured.use_count(), 1) << "the handler is dropped at once";

    const void* object = details.get();
    details.reset();
    expectLifeLogged(object, L"FailedResolutionContactDetails");
}
