// Renders the window after a 1000-coin run into a PNG, for the README:
//   screenshot OUTPUT.png
// Runs offscreen and silently; the picture is what the window paints.

#include "window/Form1.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot OUTPUT.png\n");
        return 2;
    }
    window::Form1::Services services;
    services.sound = std::make_unique<platform::NullSoundBackend>();
    window::Form1 form(std::move(services));
    form.show();
    QCoreApplication::processEvents();
    form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    QCoreApplication::processEvents();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
