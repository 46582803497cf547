#include "platform/RunRecord.h"

#include <QDir>

#include <windows.h>

namespace platform {

namespace {

QString Reason(DWORD error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString reason =
        text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return reason;
}

} // namespace

QString AppendToFile(const QString& path, const QByteArray& header, const QByteArray& line)
{
    // Opened for appending only, so that every write lands at the end even
    // when another program appends too; shared, so that it can be read and
    // removed meanwhile.
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Reason(GetLastError());
    QString problem;
    // A lock on one byte far past any end: the writers' mutex, which
    // blocks none of their writes.
    OVERLAPPED lockRange{};
    lockRange.OffsetHigh = 0x7fffffff;
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockRange)) {
        problem = Reason(GetLastError());
    } else {
        if (!line.isEmpty()) {
            LARGE_INTEGER size{};
            const bool empty = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) &&
                               size.QuadPart == 0;
            const QByteArray bytes = empty ? header + line : line;
            DWORD written = 0;
            if (!WriteFile(file, bytes.constData(), DWORD(bytes.size()), &written, nullptr) ||
                written != DWORD(bytes.size()))
                problem = Reason(GetLastError());
        }
        UnlockFileEx(file, 0, 1, 0, &lockRange);
    }
    CloseHandle(file);
    return problem;
}

} // namespace platform
