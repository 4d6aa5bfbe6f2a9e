#pragma once

// Answers whether a file is there, so that code which checks files can be handed another source.

#include <string>

namespace extensionsutils {

class FileExistsWrapper
{
public:
    virtual ~FileExistsWrapper() = default;

    // True when the path names an existing file or folder.
    virtual bool fileExists(const std::wstring& path) const = 0;
};

} // namespace extensionsutils
