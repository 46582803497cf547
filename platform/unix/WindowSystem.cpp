#include "platform/WindowSystem.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

void MarkRunning() {}

QString WindowSystemMissing()
{
    return {}; // the toolkit's own failure is said by WindowSystemFailure()
}

QString WindowSystemFailure()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty() && wayland.isEmpty()) {
        return QStringLiteral("pi-coins: no display found (neither DISPLAY nor WAYLAND_DISPLAY "
                              "is set); start it from a graphical session");
    }
    return QStringLiteral("pi-coins: cannot connect to the display (DISPLAY=%1, "
                          "WAYLAND_DISPLAY=%2); start it from a graphical session or set "
                          "DISPLAY to a running one")
        .arg(display, wayland);
}

QString JapaneseFontAdvice()
{
    return QStringLiteral("install the Debian package fonts-ipafont-gothic");
}

QStringList CommandLineArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void ShowText(const QString& text, bool isProblem)
{
    std::FILE* stream = isProblem ? stderr : stdout;
    std::fputs(text.toLocal8Bit().constData(), stream);
    if (!text.endsWith(u'\n'))
        std::fputc('\n', stream);
    std::fflush(stream);
}

namespace {

// The window a window names in its _NET_SUPPORTING_WM_CHECK property, or none.
xcb_window_t CheckWindow(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t check)
{
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, check, XCB_ATOM_WINDOW, 0, 1),
            nullptr),
        &std::free);
    if (!reply || reply->type != XCB_ATOM_WINDOW || xcb_get_property_value_length(reply.get()) < 4)
        return XCB_WINDOW_NONE;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

// A running window manager that follows the desktop conventions names, on
// the root window, a window of its own that names itself the same way.
bool WindowManagerRuns(xcb_connection_t* connection)
{
    static constexpr char kCheck[] = "_NET_SUPPORTING_WM_CHECK";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kCheck - 1, kCheck),
                              nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr)
        return false;
    const xcb_window_t wm = CheckWindow(connection, screen->root, atom->atom);
    return wm != XCB_WINDOW_NONE && CheckWindow(connection, wm, atom->atom) == wm;
}

} // namespace

bool ActivationIsHandedBack()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen" || platform == u"minimal")
        return false;
    if (platform != u"xcb")
        return true; // Wayland compositors, and other window systems
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr && WindowManagerRuns(x11->connection());
}

} // namespace platform
