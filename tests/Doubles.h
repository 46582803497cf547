#pragma once

// Stand-ins for the platform services. They all write into one log, so that
// a test can check the order of everything a command does across services.

#include "experiment/BoardGeometry.h"
#include "platform/BoardCanvas.h"
#include "platform/sound/CueFile.h"
#include "platform/sound/MMControl.h"
#include "window/Form1.h"

#include <QColor>
#include <QDir>
#include <QLabel>
#include <QMutex>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Log = QStringList;

// The warnings the program says, on any of its threads, while CollectWarnings
// is on (from a test's init() to its cleanup()).
inline QMutex g_warningsMutex;
inline QStringList g_warnings;
inline QStringList Warnings()
{
    const QMutexLocker lock(&g_warningsMutex);
    return g_warnings;
}
inline void CollectWarnings(bool on)
{
    qInstallMessageHandler(nullptr);
    g_warnings.clear(); // with no handler left to add to it
    if (on) {
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
            const QMutexLocker lock(&g_warningsMutex);
            if (type != QtDebugMsg)
                g_warnings << m;
        });
    }
}

struct LoggingSurface final : platform::BoardSurface
{
    explicit LoggingSurface(Log& log) : log(log) {}
    void Cls() override { log << u"Cls"_s; }
    void Line(float x1, float y1, float x2, float y2, platform::Rgb c) override
    {
        log << u"Line %1,%2 %3,%4 %5"_s.arg(x1).arg(y1).arg(x2).arg(y2).arg(QColor(c).name());
    }
    void Circle(float x, float y, float r, platform::Rgb c, float aspect) override
    {
        log << u"Circle %1,%2 r%3 %4 a%5"_s.arg(x).arg(y).arg(r).arg(QColor(c).name()).arg(aspect);
    }
    Log& log;
};

// Yields the given values in turn, from the start again after each seeding.
struct ScriptedRandom final : platform::RandomSource
{
    ScriptedRandom(Log& log, std::vector<float> values) : log(log), values(std::move(values)) {}
    void Reseed(double) override { log << u"Seed"_s, next = 0; }
    std::size_t Generate(std::span<float> out) override
    {
        out[0] = values[next++ % values.size()];
        return 1;
    }
    Log& log;
    std::vector<float> values;
    std::size_t next = 0;
};

// The sound: the commands given to a cue control, or what a control's player is told.
struct LoggingSound final : platform::CueControl, platform::SoundBackend
{
    explicit LoggingSound(Log& log) : log(log) {}
    void SetFileName(const QString& name) override { log << u"FileName "_s + name; }
    void SetCommand(const QString& word) override { log << word; }
    void Play(std::shared_ptr<const platform::CueFile> cue) override
    {
        log << u"Play "_s + cue->Path();
    }
    void Stop() override { log << u"Stop"_s; }
    Log& log;
};

// The board as QPainter draws it at `ratio` device pixels a pixel, from the
// board's definition: 0..480 units onto the 523 x 435 area edge to edge, the
// ten grid lines in black, a coin an ellipse 50 units to each side and 0.85
// of that (on the screen) up and down, blue when it covers a lattice point,
// red when not; an aliased pen of `ratio` pixels, copying.
struct ExpectedBoard
{
    explicit ExpectedBoard(int ratio)
        : ratio(ratio), image(QSize(523, 435) * ratio, QImage::Format_RGB32)
    {
        image.fill(Qt::white);
    }
    QPoint At(double x, double y) const
    {
        return {qRound(x * image.width() / 480), qRound(y * image.height() / 480)};
    }
    void Grid()
    {
        QPainter painter(&image);
        Pen(painter, Qt::black);
        for (int k = 40; k <= 440; k += 100) {
            painter.drawLine(At(0, k), At(480, k));
            painter.drawLine(At(k, 0), At(k, 480));
        }
    }
    void Coin(int x, int y, bool covered)
    {
        const double half = 50.0 * image.width() / 480;
        const int a = qRound(half), b = qRound(0.85 * half);
        QPainter painter(&image);
        Pen(painter, covered ? Qt::blue : Qt::red);
        painter.drawEllipse(QRect(At(x, y) - QPoint(a, b), QSize(2 * a, 2 * b)));
    }
    void Pen(QPainter& painter, Qt::GlobalColor color) const
    {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setPen(QPen(color, ratio, Qt::SolidLine, Qt::FlatCap));
    }
    int ratio;
    QImage image;
};

// Answers every question with `answer`, logging it.
struct ScriptedMessageBox final : platform::MessageBox
{
    ScriptedMessageBox(Log& log, platform::MsgBoxResult answer) : log(log), answer(answer) {}
    platform::MsgBoxResult AskYesNo(QWidget*, const QString& prompt, const QString& title) override
    {
        log << u"Ask "_s + title + u' ' + prompt;
        return answer;
    }
    Log& log;
    platform::MsgBoxResult answer;
};

// The window with those doubles: all coins on lattice points, its cues logged,
// its questions answered No; or, given a seed, the program's own generator
// with seeds fixed from it; or the toolkit's own question.
struct Window
{
    explicit Window(std::optional<std::uint32_t> seed = {},
                    std::unique_ptr<platform::RunRecord> record = {}, bool realQuestion = false)
    {
        window::Form1::Services services;
        services.sound = std::make_unique<LoggingSound>(log);
        if (!seed)
            services.random =
                std::make_unique<ScriptedRandom>(log, std::vector{0.0f, 0.5f, 0.125f});
        services.seed = seed;
        auto questions = std::make_unique<ScriptedMessageBox>(log, platform::MsgBoxResult::No);
        if (!realQuestion) {
            this->questions = questions.get();
            services.messageBox = std::move(questions);
        }
        services.record = std::move(record);
        form = std::make_unique<window::Form1>(std::move(services));
        form->show();
        log.clear();
    }
    // The controls, found by their names.
    template <typename T> T* Find(const QString& name) const { return form->findChild<T*>(name); }
    QPushButton* Command(int n) const { return Find<QPushButton>(u"Command%1"_s.arg(n)); }
    QLabel* Label(int n) const { return Find<QLabel>(u"Label%1"_s.arg(n)); }
    platform::BoardCanvas* Picture1() const { return Find<platform::BoardCanvas>(u"Picture1"_s); }
    QImage Board() const { return Picture1()->Board().Image(); }
    QString Text(int n) const { return Label(n)->text(); }

    Log log;
    ScriptedMessageBox* questions = nullptr; // the window's, answering No unless told otherwise
    std::unique_ptr<window::Form1> form;
};
