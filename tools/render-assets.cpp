// Renders the program's pictures from their SVG sources at build time:
//   render-assets SOURCE.svg OUTPUT WIDTH HEIGHT [BACKGROUND]
// The output format follows the file name (png, jpg). Pictures are drawn
// over an opaque background and written without an alpha channel.

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Pictures without text need no platform integration, only QtGui's painter.
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: render-assets SOURCE.svg OUTPUT WIDTH HEIGHT [#rrggbb]\n");
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-assets: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    const QSize size(args.at(3).toInt(), args.at(4).toInt());
    const QColor background(args.size() > 5 ? args.at(5) : QStringLiteral("#ffffff"));

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    QImageWriter writer(args.at(2));
    writer.setQuality(95);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        std::fprintf(stderr, "render-assets: cannot write %s: %s\n", qPrintable(args.at(2)),
                     qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
