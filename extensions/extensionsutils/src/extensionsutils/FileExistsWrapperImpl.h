#pragma once

// The file check over the C runtime's stat. No state: any thread.

#include "extensionsutils/FileExistsWrapper.h"

namespace extensionsutils {

class FileExistsWrapperImpl : public FileExistsWrapper
{
public:
    bool fileExists(const std::wstring& path) const override;
};

} // namespace extensionsutils
