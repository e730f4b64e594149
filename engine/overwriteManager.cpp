#include "engine/overwriteManager.h"

#include "platform/fileSystem.h"

std::string TOverwriteManager::GetUniqueName(const std::string& path) const
{
    const std::string ext = platform::ExtractFileExt(path);
    std::string result = path;
    while (platform::FileExists(result))
        result = platform::ChangeFileExt(result, "_2" + ext);
    return result;
}
