#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace window {

// What the program is asked to do by its command line.
struct CommandLine
{
    enum class Action
    {
        Run,     // open the window
        Help,    // show `text`, the options, and end with status 0
        Version, // show `text`, "pi-coins 1.00", and end with status 0
        Refuse,  // show `text`, one line naming what is wrong, and end with status 2
    };
    Action action = Action::Run;
    QString text;
    std::optional<std::uint32_t> seed; // --seed: the first run's seed
    QString recordPath;                // --record: the file runs are appended to
};

// Reads the program's arguments (the program's name first). The toolkit's
// own options (-platform, -style, ...) are let through for it to take.
CommandLine ParseCommandLine(const QStringList& arguments);

} // namespace window
