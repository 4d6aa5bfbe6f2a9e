// COM marshals every object the module hands to Office from the registered type library, loading it and
// releasing it again for each new stub; Wine frees a library whose last reference goes while another
// thread may be taking it from its cache. Once the module holds the library, no such release frees it.
// This program lists this test first, so that nothing else of the module has loaded the library yet.

#include "utils/TypeLibraryHold.h"

#include "extensionsutils/TypeInfoHolder.h"
#include "common/ContractIds.h"
#include "support/TypeLibraryRegistration.h"

#include <gtest/gtest.h>

#include <oleauto.h>

TEST(TypeLibraryHoldTest, ARegisteredLibraryStaysLoadedWhateverOthersRelease)
{
    ASSERT_EQ(registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessengerLib.tlb")), S_OK);
    ASSERT_EQ(TypeLibraryHold::holdRegisteredLibrary(), S_OK);
    ASSERT_EQ(TypeLibraryHold::holdRegisteredLibrary(), S_OK); // a later publishing only answers

    // What the marshaler does for a new stub: load the library by its registration and let it go.
    for (int stub = 0; stub < 2; ++stub) {
        ITypeLib* library = nullptr;
        ASSERT_EQ(extensionsutils::loadRegisteredTypeLib(contractid::TavoMessengerLib, 1, 0, LOCALE_NEUTRAL, &library), S_OK);
        EXPECT_GE(library->Release(), 1u) << "the last reference went: the library was freed";
    }
}
