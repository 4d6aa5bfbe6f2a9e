#include "providerdoctor/PeMachine.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace doctor {

namespace {

const std::streamoff dosHeaderNewHeaderOffset = 0x3C; // e_lfanew
const WORD machineArm64 = 0xAA64;

template <class Value>
bool readAt(std::ifstream& file, std::streamoff offset, Value& value)
{
    file.seekg(offset);
    file.read(reinterpret_cast<char*>(&value), sizeof(value));
    return static_cast<bool>(file);
}

} // namespace

std::optional<WORD> readPeMachine(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) return std::nullopt;
    WORD dosSignature = 0;
    if (!readAt(file, 0, dosSignature) || dosSignature != IMAGE_DOS_SIGNATURE) return std::nullopt;
    LONG newHeader = 0;
    if (!readAt(file, dosHeaderNewHeaderOffset, newHeader) || newHeader <= 0) return std::nullopt;
    DWORD peSignature = 0;
    if (!readAt(file, newHeader, peSignature) || peSignature != IMAGE_NT_SIGNATURE) return std::nullopt;
    WORD machine = 0;
    if (!readAt(file, newHeader + static_cast<std::streamoff>(sizeof(peSignature)), machine)) return std::nullopt;
    return machine;
}

std::wstring machineName(WORD machine)
{
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
        return L"32-bit x86";
    case IMAGE_FILE_MACHINE_AMD64:
        return L"64-bit x64";
    case machineArm64:
        return L"64-bit ARM";
    default: {
        wchar_t text[16] = {};
        swprintf(text, 16, L"machine 0x%04X", static_cast<unsigned>(machine));
        return text;
    }
    }
}

std::optional<WORD> machineOfPlatform(const std::wstring& platform)
{
    if (platform == L"win32") return static_cast<WORD>(IMAGE_FILE_MACHINE_I386);
    if (platform == L"win64") return static_cast<WORD>(IMAGE_FILE_MACHINE_AMD64);
    return std::nullopt;
}

} // namespace doctor
