#include "platform/sound/CueLookup.h"

#include "platform/sound/CueDevice.h"
#include "platform/sound/CueFile.h"
#include "platform/sound/WaveFile.h"

#include <QStringList>

#include <vector>

namespace platform {

namespace {

// Where a bare cue name is looked for, in order: the working folder first,
// by an empty (relative) path, then where this system installs the cues.
std::vector<std::filesystem::path> CueSearchFolders()
{
    std::vector<std::filesystem::path> folders{{}};
    for (std::filesystem::path& folder : InstalledCueFolders())
        folders.push_back(std::move(folder));
    return folders;
}

} // namespace

OpenedCue OpenCueFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return {nullptr, QStringLiteral("sound cue without a file name")};
    const std::filesystem::path name = NativePath(fileName);
    const bool bare = !name.has_parent_path();
    const std::vector<std::filesystem::path> folders =
        bare ? CueSearchFolders() : std::vector<std::filesystem::path>{{}};
    for (const std::filesystem::path& folder : folders) {
        const std::filesystem::path candidate = folder / name;
        CueFile::Opened opened = CueFile::Open(candidate);
        if (opened.missing)
            continue;
        if (!opened.file)
            return {nullptr,
                    QStringLiteral("sound cue %1 %2").arg(DisplayPath(candidate), opened.problem)};
        WaveLayout wave;
        QString problem = ReadWaveLayout(*opened.file, wave);
        if (problem.isEmpty())
            problem = SystemPlayerRefuses(wave);
        if (!problem.isEmpty())
            return {nullptr, QStringLiteral("sound cue %1 %2").arg(opened.file->Path(), problem)};
        opened.file->SetWaveSize(wave.end);
        return {std::move(opened.file), {}};
    }
    // Not found: the folders looked in are named, for the message only.
    QStringList searched;
    for (const std::filesystem::path& folder : folders) {
        const std::filesystem::path candidate = folder / name;
        searched << DisplayPath(candidate.has_parent_path() ? candidate.parent_path() : ".");
    }
    searched.removeDuplicates();
    return {nullptr,
            QStringLiteral("sound cue \"%1\" not found in %2").arg(fileName, searched.join(u", "))};
}

} // namespace platform
