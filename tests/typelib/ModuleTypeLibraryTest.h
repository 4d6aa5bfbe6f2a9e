// Fixture: the type library embedded in TavoMessenger.dll, loaded once per test suite.
#pragma once

#include "TypeLibraryInspection.h"

#include <gtest/gtest.h>

namespace typelib_test {

class ModuleTypeLibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        library_ = loadModuleTypeLibrary().release();
    }

    static void TearDownTestSuite()
    {
        if (library_) library_->Release();
        library_ = nullptr;
        CoUninitialize();
    }

    void SetUp() override
    {
        ASSERT_NE(library_, nullptr) << "no type library in " << narrow(moduleTypeLibraryPath().c_str());
    }

    static ITypeLib* library() { return library_; }

private:
    inline static ITypeLib* library_ = nullptr;
};

}  // namespace typelib_test
