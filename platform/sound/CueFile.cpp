#include "platform/sound/CueFile.h"

namespace platform {

QString DisplayPath(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    if (error)
        absolute = path;
    if (!absolute.has_filename() && absolute != absolute.root_path())
        absolute = absolute.parent_path();
    return PathText(absolute);
}

} // namespace platform
