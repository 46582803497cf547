// Cue files on Windows: a file HANDLE opened by its UTF-16 name, read at
// explicit offsets, so that no file position is shared between threads.
#include "platform/CueFiles.h"

#include <QDir>

#include <windows.h>

namespace platform {

namespace {

QString LastError()
{
    return QStringLiteral("cannot be read (%1)").arg(qt_error_string(int(GetLastError())));
}

} // namespace

CueFile::Opened CueFile::Open(const QString& name, QString path)
{
    const std::wstring native = QDir::toNativeSeparators(name).toStdWString();
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {nullptr, true, {}};
        return {nullptr, false, LastError()};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return {nullptr, false, QStringLiteral("is a directory")};
    // Shared for reading and renaming, not writing: while it is open,
    // nobody changes what was checked.
    const HANDLE handle =
        CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {nullptr, false, LastError()};
    std::unique_ptr<CueFile> file(
        new CueFile(reinterpret_cast<std::intptr_t>(handle), 0, std::move(path)));
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

} // namespace platform
