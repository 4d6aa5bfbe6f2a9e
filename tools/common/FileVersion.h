#pragma once

// The VERSIONINFO resource of a DLL or program, as installers and the file's properties show it.
// Any thread; nothing is shared.

#include <windows.h>

#include <optional>
#include <string>

namespace tools {

struct FileVersion {
    DWORD fileType = 0;              // VFT_DLL, VFT_APP, ...
    std::wstring fileVersion;        // the fixed part, "1.2.3.0": what installers compare
    std::wstring productVersion;     // the fixed part, "1.2.3.0"
    std::wstring productVersionText; // the string, "1.2.3+<build>"
    std::wstring productName;
    std::wstring description;
    std::wstring originalFilename;
    std::wstring buildId;            // the commit the file was built from, "unknown" outside git
};

// Nothing when the file cannot be read or carries no version resource.
std::optional<FileVersion> readFileVersion(const std::wstring& path);

} // namespace tools
