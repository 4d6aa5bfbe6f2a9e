#pragma once

#include "extensionsutils/ComObject.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

// Joins the multithreaded apartment for the life of a test (or of a test's thread).
class ComApartment
{
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

inline ULONG referenceCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}
