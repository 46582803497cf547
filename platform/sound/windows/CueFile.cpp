// Cue files on Windows: a file HANDLE opened by its UTF-16 name, read at
// explicit offsets, so that no file position is shared between threads.
#include "platform/sound/CueFile.h"

#include <QDir>

#include <windows.h>

namespace platform {

namespace {

QString LastError()
{
    return QStringLiteral("cannot be read (%1)").arg(qt_error_string(int(GetLastError())));
}

} // namespace

CueFile::Opened CueFile::Open(const std::filesystem::path& path)
{
    // Not there, or in a folder that cannot be searched: look on.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {nullptr, true, {}};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return {nullptr, false, QStringLiteral("is a directory")};
    // Shared for reading and renaming, not writing: while it is open,
    // nobody changes what was checked.
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {nullptr, false, LastError()};
    std::unique_ptr<CueFile> file(
        new CueFile(reinterpret_cast<std::intptr_t>(handle), DisplayPath(path)));
    LARGE_INTEGER size = {};
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return {nullptr, false, QStringLiteral("is not a regular file")};
    if (!GetFileSizeEx(handle, &size))
        return {nullptr, false, LastError()};
    file->m_size = size.QuadPart;
    return {std::move(file), false, {}};
}

CueFile::~CueFile()
{
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

bool CueFile::ReadAt(std::int64_t offset, void* out, std::int64_t size) const
{
    auto* bytes = static_cast<char*>(out);
    while (size > 0) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::int64_t>(size, 1 << 30));
        if (!ReadFile(reinterpret_cast<HANDLE>(m_handle), bytes, wanted, &read, &at) || read == 0)
            return false;
        bytes += read, offset += read, size -= read;
    }
    return true;
}

std::filesystem::path NativePath(const QString& name)
{
    return QDir::toNativeSeparators(name).toStdWString();
}

QString PathText(const std::filesystem::path& path)
{
    return QString::fromStdWString(path.native());
}

std::filesystem::path ProgramFolder()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (length == 0)
            return {};
        if (length < name.size())
            return std::filesystem::path(name.substr(0, length)).parent_path();
        name.resize(name.size() * 2);
    }
}

// Beside the program, where the zip and the installer put them.
std::vector<std::filesystem::path> InstalledCueFolders()
{
    if (std::filesystem::path program = ProgramFolder(); !program.empty())
        return {std::move(program)};
    return {};
}

} // namespace platform
