#pragma once

// A run on a real board with the real generator and its cue recorded. The
// two result texts are kept in fixed buffers, without allocating, so that
// allocation counts around a run stay exact.

#include "BoardImage.h"
#include "Experiment.h"
#include "MMControl.h"
#include "TestDoubles.h"

#include <QString>

#include <algorithm>
#include <array>

struct BoardRun
{
    struct Text
    {
        std::array<char16_t, 64> chars{};
        qsizetype size = 0;
        QString String() const { return QString::fromUtf16(chars.data(), size); }
    };

    explicit BoardRun(qreal ratio = 1.0)
        : board(QSize(523, 435), ratio),
          sound(std::make_unique<testing_doubles::RecordingSoundBackend>(log)),
          run(board, sound, random, Keep(estimate), Keep(hits))
    {}

    static experiment::Experiment::TextTarget Keep(Text& text)
    {
        return [&text](QStringView shown) {
            text.size = std::min<qsizetype>(shown.size(), 64);
            std::copy_n(shown.utf16(), text.size, text.chars.begin());
        };
    }

    testing_doubles::EventLog log = testing_doubles::MakeLog();
    platform::BoardImage board;
    platform::MMControl sound;
    platform::RandomGenerator random;
    Text estimate;
    Text hits;
    experiment::Experiment run;
};
