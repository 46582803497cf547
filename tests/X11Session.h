#pragma once

// A private X server (Xvfb) with the real program in it, driven through the
// XTEST extension as a user would drive it: pointer moves, clicks, keys,
// and the window manager's close request. The program's debug lines for
// runs and window commands are switched on, so that what it did can be read
// from its error output.

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace x11_testing {

// Where the client area opens on the screen, and the buttons within it.
inline constexpr QPoint kClientOrigin{358, 68};
// The centres of Command1..Command7 within the client area.
inline QPoint ButtonCentre(int number)
{
    static constexpr QPoint centres[] = {{57, 516},  {140, 516}, {223, 516}, {315, 516},
                                         {100, 600}, {507, 516}, {411, 516}};
    return number >= 1 && number <= 7 ? centres[number - 1] : QPoint();
}

class XServer
{
public:
    ~XServer() { Stop(); }

    bool Start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return false;
        m_process.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                               QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1024x768x24"), QStringLiteral("-br"),
                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_process.waitForStarted(10000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_process.canReadLine() && clock.elapsed() < 15000)
            m_process.waitForReadyRead(100);
        if (!m_process.canReadLine())
            return false;
        m_name = QLatin1Char(':') + QString::fromLatin1(m_process.readLine().trimmed());
        m_display = XOpenDisplay(m_name.toLatin1().constData());
        // A request on a window that just went away must not end the test.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        return m_display != nullptr;
    }

    void Stop()
    {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
            m_display = nullptr;
        }
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    QString Name() const { return m_name; }
    Display* Connection() const { return m_display; }

    // What the screen shows in `rect`.
    QImage Grab(const QRect& rect)
    {
        QImage image(rect.size(), QImage::Format_RGB32);
        XImage* shot = XGetImage(m_display, DefaultRootWindow(m_display), rect.x(), rect.y(),
                                 static_cast<unsigned>(rect.width()),
                                 static_cast<unsigned>(rect.height()), AllPlanes, ZPixmap);
        if (shot == nullptr)
            return {};
        for (int y = 0; y < rect.height(); ++y) {
            for (int x = 0; x < rect.width(); ++x)
                image.setPixel(x, y, static_cast<QRgb>(XGetPixel(shot, x, y)) | 0xff000000u);
        }
        XDestroyImage(shot);
        return image;
    }

    void MoveTo(QPoint screen)
    {
        XTestFakeMotionEvent(m_display, 0, screen.x(), screen.y(), CurrentTime);
        XFlush(m_display);
    }

    void Click(QPoint screen)
    {
        MoveTo(screen);
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XFlush(m_display);
    }

    void ClickButton(int number) { Click(kClientOrigin + ButtonCentre(number)); }

    void Key(KeySym symbol, bool shift = false)
    {
        const KeyCode shiftCode = XKeysymToKeycode(m_display, XK_Shift_L);
        const KeyCode code = XKeysymToKeycode(m_display, symbol);
        if (shift)
            XTestFakeKeyEvent(m_display, shiftCode, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        if (shift)
            XTestFakeKeyEvent(m_display, shiftCode, False, CurrentTime);
        XFlush(m_display);
    }

    // The top-level window whose _NET_WM_NAME starts with `title`.
    Window FindWindow(const QString& title)
    {
        const Atom netWmName = XInternAtom(m_display, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        Window found = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
            return 0;
        for (unsigned int i = 0; i < count && found == 0; ++i) {
            Atom type = 0;
            int format = 0;
            unsigned long items = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(m_display, children[i], netWmName, 0, 1024, False, utf8, &type,
                                   &format, &items, &after, &data) == Success &&
                data != nullptr) {
                const QString name =
                    QString::fromUtf8(reinterpret_cast<char*>(data), static_cast<qsizetype>(items));
                XWindowAttributes attributes{};
                if (name.startsWith(title) &&
                    XGetWindowAttributes(m_display, children[i], &attributes) != 0 &&
                    attributes.map_state == IsViewable)
                    found = children[i];
                XFree(data);
            }
        }
        if (children != nullptr)
            XFree(children);
        return found;
    }

    void Focus(Window window)
    {
        XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
        XFlush(m_display);
    }

    // What a window manager sends when the user closes the window's frame.
    void RequestClose(Window window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, window, False, NoEventMask, &event);
        XFlush(m_display);
    }

private:
    QProcess m_process;
    QString m_name;
    Display* m_display = nullptr;
};

// The real program on that server, its error output collected line by line.
class Program
{
public:
    Program(const XServer& server, const QString& executable,
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
            const QString& workingDirectory = {}, bool noRuntimeDirectory = false)
    {
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), server.Name());
        if (!env.contains(QStringLiteral("PULSE_SERVER")))
            env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent"));
        if (!env.contains(QStringLiteral("XDG_RUNTIME_DIR")) && !noRuntimeDirectory)
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        // In the sanitized pass, memory errors and undefined behaviour in the
        // program stay fatal, but its leak check is left to the in-process
        // tests that run the same code: LeakSanitizer's tracer now and then
        // crashes itself ("Tracer caught signal 11") in a process that exits
        // with a real X connection and its threads around.
        if (env.contains(QStringLiteral("ASAN_OPTIONS"))) {
            env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                           QStringLiteral(":detect_leaks=0"));
        }
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
                   QStringLiteral("pi-coins.run.debug=true;pi-coins.window.debug=true"));
        m_process.setProcessEnvironment(env);
        if (!workingDirectory.isEmpty())
            m_process.setWorkingDirectory(workingDirectory);
        m_process.setReadChannel(QProcess::StandardError);
        m_process.start(executable, {});
    }

    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QProcess& Process() { return m_process; }

    // Every line the program has written to its error output so far.
    QStringList Lines()
    {
        m_output += QString::fromUtf8(m_process.readAllStandardError());
        QStringList lines = m_output.split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }

    QStringList LinesWith(const QString& part) { return Lines().filter(part); }

    // Waits until `count` lines containing `part` have been written.
    bool WaitFor(const QString& part, int count = 1, int timeoutMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (LinesWith(part).size() >= count)
                return true;
            if (m_process.state() == QProcess::NotRunning)
                break; // nothing more will come
            m_process.waitForReadyRead(50);
            QCoreApplication::processEvents();
        }
        return LinesWith(part).size() >= count;
    }

    // Lines other than the debug lines asked for and the note that cues
    // cannot be played (no sound server runs here).
    QStringList UnexpectedLines()
    {
        QStringList lines = Lines();
        lines.removeIf([](const QString& line) {
            return line.startsWith(QLatin1String("pi-coins.run: ")) ||
                   line.startsWith(QLatin1String("pi-coins.window: ")) ||
                   (line.startsWith(QLatin1String("pi-coins.sound: ")) &&
                    line.contains(QLatin1String("cannot be played")));
        });
        return lines;
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_process;
    QString m_output;
};

} // namespace x11_testing
