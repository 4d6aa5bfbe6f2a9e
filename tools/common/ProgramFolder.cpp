#include "common/ProgramFolder.h"

#include <windows.h>

namespace tools {

std::wstring besideThisProgram(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + fileName;
}

} // namespace tools
