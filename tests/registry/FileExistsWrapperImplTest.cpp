#include "extensionsutils/FileExistsWrapperImpl.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

std::wstring temporaryFolder()
{
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return std::wstring(path, length);
}

TEST(FileExistsWrapperImpl, FindsFilesAndFoldersThatAreThere)
{
    const std::wstring folder = temporaryFolder() + L"TavoMessengerTests-FileExists-" +
                                std::to_wstring(GetCurrentProcessId());
    const std::wstring file = folder + L"\\Outlook \u00e9.dll";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    CloseHandle(handle);

    const extensionsutils::FileExistsWrapperImpl check;
    EXPECT_TRUE(check.fileExists(file));
    EXPECT_TRUE(check.fileExists(folder));
    EXPECT_FALSE(check.fileExists(folder + L"\\missing.dll"));
    EXPECT_FALSE(check.fileExists(L""));

    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_FALSE(check.fileExists(file));
}

} // namespace
