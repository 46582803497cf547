#pragma once

// Stand-ins for the platform services. They all write into one log, so that
// a test can check the order of everything a command does across services.

#include "platform/BoardSurface.h"
#include "platform/CueFiles.h"
#include "platform/MMControl.h"
#include "platform/MessageBox.h"
#include "platform/Random.h"

#include <QStringList>

#include <functional>
#include <vector>

using Log = QStringList;

class LoggingSurface final : public platform::BoardSurface
{
public:
    explicit LoggingSurface(Log& log) : m_log(log) {}
    void Cls() override { m_log << QStringLiteral("Cls"); }
    void Line(float x1, float y1, float x2, float y2, const QColor& color) override
    {
        m_log << QStringLiteral("Line %1,%2 %3,%4 %5")
                     .arg(x1)
                     .arg(y1)
                     .arg(x2)
                     .arg(y2)
                     .arg(color.name());
    }
    void Circle(float x, float y, float radius, const QColor& color, float aspect) override
    {
        m_log << QStringLiteral("Circle %1,%2 r%3 %4 a%5")
                     .arg(x)
                     .arg(y)
                     .arg(radius)
                     .arg(color.name())
                     .arg(aspect);
    }

private:
    Log& m_log;
};

// Yields the given values in turn, from the start again after each seeding.
class ScriptedRandom final : public platform::RandomSource
{
public:
    ScriptedRandom(Log& log, std::vector<float> values) : m_log(log), m_values(std::move(values)) {}
    std::function<void()> onValue;

protected:
    void Reseed(double) override
    {
        m_log << QStringLiteral("Seed");
        m_next = 0;
    }
    std::size_t Generate(std::span<float> out) override
    {
        if (onValue)
            onValue();
        out[0] = m_values[m_next++ % m_values.size()];
        return 1;
    }

private:
    Log& m_log;
    std::vector<float> m_values;
    std::size_t m_next = 0;
};

class LoggingCueControl final : public platform::CueControl
{
public:
    explicit LoggingCueControl(Log& log) : m_log(log) {}
    void SetFileName(const QString& name) override { m_log << QStringLiteral("FileName ") + name; }
    void SetCommand(const QString& word) override { m_log << word; }

private:
    Log& m_log;
};

class LoggingSoundBackend final : public platform::SoundBackend
{
public:
    explicit LoggingSoundBackend(Log& log) : m_log(log) {}
    void Play(std::shared_ptr<const platform::CueFile> cue) override
    {
        m_log << QStringLiteral("Play ") + cue->Path();
        played = std::move(cue);
    }
    void Stop() override { m_log << QStringLiteral("Stop"); }
    std::shared_ptr<const platform::CueFile> played;

private:
    Log& m_log;
};

class ScriptedMessageBox final : public platform::MessageBox
{
public:
    ScriptedMessageBox(Log& log, platform::MsgBoxResult answer) : m_log(log), m_answer(answer) {}
    platform::MsgBoxResult AskYesNo(QWidget*, const QString& prompt, const QString& title) override
    {
        m_log << QStringLiteral("Ask %1 / %2").arg(prompt, title);
        return m_answer;
    }

private:
    Log& m_log;
    platform::MsgBoxResult m_answer;
};
