#include "extensionsutils/FileExistsWrapperImpl.h"

#include <sys/stat.h>
#include <sys/types.h>

namespace extensionsutils {

bool FileExistsWrapperImpl::fileExists(const std::wstring& path) const
{
    struct _stat64i32 status;
    return _wstat64i32(path.c_str(), &status) == 0;
}

} // namespace extensionsutils
