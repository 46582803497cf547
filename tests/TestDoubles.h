#pragma once

// Stand-ins for the platform services, recording what the code under test
// does with them.

#include "BoardSurface.h"
#include "MessageBox.h"
#include "Random.h"
#include "SoundBackend.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace testing_doubles {

// One log shared by several doubles, so that tests can check the order of
// calls across services (the cue before the wipe, and so on).
using EventLog = std::shared_ptr<QStringList>;

struct SurfaceCall
{
    enum class Kind
    {
        Cls,
        Line,
        Circle
    } kind;
    float a = 0, b = 0, c = 0, d = 0; // Line: x1 y1 x2 y2; Circle: x y radius aspect
    QColor color;
};

class RecordingSurface final : public platform::BoardSurface
{
public:
    explicit RecordingSurface(EventLog log = {}) : m_log(std::move(log)) {}

    void Cls() override
    {
        calls.push_back({SurfaceCall::Kind::Cls, 0, 0, 0, 0, {}});
        Note(QStringLiteral("Cls"));
    }
    void Line(float x1, float y1, float x2, float y2, const QColor& color) override
    {
        calls.push_back({SurfaceCall::Kind::Line, x1, y1, x2, y2, color});
        Note(QStringLiteral("Line"));
    }
    void Circle(float x, float y, float radius, const QColor& color, float aspect) override
    {
        calls.push_back({SurfaceCall::Kind::Circle, x, y, radius, aspect, color});
        if (onCircle)
            onCircle();
    }

    std::vector<SurfaceCall> calls;
    std::function<void()> onCircle;

private:
    void Note(const QString& what)
    {
        if (m_log)
            m_log->append(what);
    }
    EventLog m_log;
};

// Yields the given values over and over, from the start again after every
// seeding; records the seeds.
class ScriptedRandom final : public platform::RandomSource
{
public:
    explicit ScriptedRandom(std::vector<float> values) : m_values(std::move(values)) {}

    std::vector<double> seeds;
    long long taken = 0;

protected:
    void Reseed(double seed) override
    {
        seeds.push_back(seed);
        m_next = 0;
    }
    // One value at a time, so that `taken` counts exactly what was used.
    std::size_t Generate(std::span<float> out) override
    {
        ++taken;
        out[0] = m_values[m_next];
        m_next = (m_next + 1) % m_values.size();
        return 1;
    }

private:
    std::vector<float> m_values;
    std::size_t m_next = 0;
};

class RecordingSoundBackend final : public platform::SoundBackend
{
public:
    explicit RecordingSoundBackend(EventLog log) : m_log(std::move(log)) {}

    bool Start(const QString& path, QString* error) override
    {
        m_log->append(QStringLiteral("Start ") + path);
        if (!startSucceeds && error != nullptr)
            *error = QStringLiteral("no sound server");
        return startSucceeds;
    }
    void Stop() override { m_log->append(QStringLiteral("Stop")); }

    bool startSucceeds = true;

private:
    EventLog m_log;
};

class ScriptedMessageBox final : public platform::MessageBox
{
public:
    explicit ScriptedMessageBox(platform::MsgBoxResult answer, EventLog log = {})
        : m_answer(answer), m_log(std::move(log))
    {}

    platform::MsgBoxResult AskYesNo(QWidget*, const QString& prompt, const QString& title) override
    {
        prompts.append(prompt);
        titles.append(title);
        if (m_log)
            m_log->append(QStringLiteral("Ask"));
        if (onAsk)
            onAsk();
        return m_answer;
    }

    QStringList prompts;
    QStringList titles;
    std::function<void()> onAsk;

private:
    platform::MsgBoxResult m_answer;
    EventLog m_log;
};

inline EventLog MakeLog()
{
    return std::make_shared<QStringList>();
}

} // namespace testing_doubles
