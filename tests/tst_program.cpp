// The real program as a user starts it: under a real X server (a private
// Xvfb, started and stopped here), read back from the server's own frame
// buffer; and without any display at all.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

const QString kProgram = QStringLiteral(PI_COINS_EXECUTABLE);

// The screen as Xvfb keeps it in its frame buffer file, an XWD image.
class FrameBuffer
{
public:
    bool Load(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        m_bytes = file.readAll();
        if (m_bytes.size() < 100)
            return false;
        const auto field = [&](int i) {
            return qFromBigEndian<quint32>(m_bytes.constData() + 4 * i);
        };
        m_width = static_cast<int>(field(4));
        m_height = static_cast<int>(field(5));
        m_bitsPerPixel = static_cast<int>(field(11));
        m_bytesPerLine = static_cast<int>(field(12));
        m_pixelsAt = field(0) + field(19) * 12;
        return m_bitsPerPixel == 32 &&
               m_bytes.size() >= m_pixelsAt + qsizetype(m_bytesPerLine) * m_height;
    }

    QRgb Pixel(int x, int y) const
    {
        const char* p = m_bytes.constData() + m_pixelsAt + qsizetype(y) * m_bytesPerLine + 4 * x;
        return qFromLittleEndian<quint32>(p) | 0xff000000u;
    }

    QImage Crop(const QRect& rect) const
    {
        QImage image(rect.size(), QImage::Format_RGB32);
        for (int y = 0; y < rect.height(); ++y) {
            for (int x = 0; x < rect.width(); ++x)
                image.setPixel(x, y, Pixel(rect.x() + x, rect.y() + y));
        }
        return image;
    }

private:
    QByteArray m_bytes;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    int m_bytesPerLine = 0;
    qsizetype m_pixelsAt = 0;
};

QProcessEnvironment CleanEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PULSE_SERVER"})
        env.remove(QString::fromLatin1(name));
    return env;
}

} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutDisplaySaysSoInOneLine();
    void windowAndCanvasSitWhereTheyBelong();
};

void ProgramTest::withoutDisplaySaysSoInOneLine()
{
    QProcess program;
    program.setProcessEnvironment(CleanEnvironment());
    program.start(kProgram, {});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY(program.exitCode() != 0);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(errors.count(QLatin1Char('\n')), 1);
    QVERIFY(errors.contains(QStringLiteral("no display")));
    QVERIFY(program.readAllStandardOutput().isEmpty());
}

void ProgramTest::windowAndCanvasSitWhereTheyBelong()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed (scripts/dev test installs it)");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-br"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                        QStringLiteral("-fbdir"), dir.path()});
    QVERIFY(server.waitForStarted(10000));
    const auto stopServer = qScopeGuard([&] {
        server.terminate();
        server.waitForFinished(10000);
    });
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 15000);
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine().trimmed());

    QProcess program;
    QProcessEnvironment env = CleanEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    program.setProcessEnvironment(env);
    program.setProgram(kProgram);
    program.start();
    QVERIFY(program.waitForStarted(10000));
    const auto stopProgram = qScopeGuard([&] {
        program.terminate();
        program.waitForFinished(10000);
    });

    // The client area opens at (358, 68); the canvas's drawing area starts
    // two border pixels inside the canvas at (24, 48) of the client area.
    const QPoint client(358, 68);
    const QPoint area = client + QPoint(24 + 2, 48 + 2);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);
    FrameBuffer screen;
    const QString fb = dir.filePath(QStringLiteral("Xvfb_screen0"));
    QTRY_VERIFY_WITH_TIMEOUT(screen.Load(fb) && screen.Pixel(area.x(), area.y()) == white &&
                                 screen.Pixel(area.x() + 100, area.y() + 36) == black,
                             60000);

    const QRgb face = screen.Pixel(client.x(), client.y());
    QVERIFY(face != white && face != black);
    QCOMPARE(screen.Pixel(client.x() + 569, client.y() + 635), face);
    QCOMPARE(screen.Pixel(client.x() - 1, client.y()), black); // the bare root
    QCOMPARE(screen.Pixel(client.x() + 570, client.y() + 635), black);
    QCOMPARE(screen.Pixel(client.x(), client.y() + 636), black);

    // The sunken border, then white with the grid at its rows and columns.
    QVERIFY(screen.Pixel(area.x() - 1, area.y() + 10) != white);
    QVERIFY(screen.Pixel(area.x() + 10, area.y() - 1) != white);
    QCOMPARE(screen.Pixel(area.x() + 522, area.y() + 434), white);
    QCOMPARE(screen.Pixel(area.x() + 525, area.y() + 434), face); // past the border
    for (const int row : {36, 127, 218, 308, 399}) {
        for (int x = 0; x < 523; x += 37)
            QCOMPARE(screen.Pixel(area.x() + x, area.y() + row), black);
    }
    for (const int column : {44, 153, 262, 370, 479}) {
        for (int y = 0; y < 435; y += 29)
            QCOMPARE(screen.Pixel(area.x() + column, area.y() + y), black);
    }
    screen.Crop(QRect(client, QSize(570, 636)))
        .save(QDir(QStringLiteral(PI_COINS_TEST_OUTPUT_DIR)).filePath(QStringLiteral("x11-window.png")));
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
