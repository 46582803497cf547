#include "platform/WindowSystem.h"

#include "platform/sound/CueFile.h"

#include <QString>

#include <filesystem>
#include <system_error>
#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

namespace platform {

namespace {

const QString kKeepPlatforms =
    QStringLiteral("pi-coins: the window system cannot be started; keep the folder "
                   "\"platforms\" beside pi-coins.exe");

} // namespace

void MarkRunning()
{
    // Held until the process ends; the installer looks for it by name.
    CreateMutexW(nullptr, FALSE, L"Local\\io.github.picoins.PiCoins.running");
}

QString WindowSystemMissing()
{
    // Where the toolkit is told elsewhere to look, it is left to it.
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM_PLUGIN_PATH") ||
        qEnvironmentVariableIsSet("QT_PLUGIN_PATH"))
        return {};
    const std::filesystem::path program = ProgramFolder();
    std::error_code error;
    // What cannot be looked at is left to the toolkit too.
    if (program.empty() || std::filesystem::exists(program / "platforms" / "qwindows.dll", error) ||
        error)
        return {};
    return kKeepPlatforms;
}

QString WindowSystemFailure()
{
    return kKeepPlatforms;
}

QString JapaneseFontAdvice()
{
    return QStringLiteral("keep the folder \"fonts\" beside pi-coins.exe");
}

QStringList CommandLineArguments(int, char*[])
{
    QStringList arguments;
    int count = 0;
    if (LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments << QString::fromWCharArray(words[i]);
        LocalFree(words);
    }
    return arguments;
}

void ShowText(const QString& text, bool isProblem)
{
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(text.trimmed().utf16()), L"pi-coins",
                MB_OK | MB_SETFOREGROUND | (isProblem ? MB_ICONERROR : MB_ICONINFORMATION));
}

// Windows activates the owner of an owned window that goes away while it
// is active.
bool ActivationIsHandedBack()
{
    return true;
}

} // namespace platform
