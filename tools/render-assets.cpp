// Renders the program's pictures from their SVG sources at build time:
//   render-assets SOURCE.svg OUTPUT WIDTH HEIGHT [BACKGROUND]
// The output format follows the file name (png, jpg). Pictures are drawn
// over an opaque background and written without an alpha channel. For an
// icon file (.ico), WIDTH lists its square sizes ("16,32,256"): each size is
// rendered from the source, stored as a 24-bit bitmap (256 as PNG, as
// Windows stores its large icons), and HEIGHT is ignored.

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <cstdio>

namespace {

QImage Render(QSvgRenderer& renderer, QSize size, const QColor& background)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

QByteArray Le(quint32 value, int bytes)
{
    const quint32 le = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&le), bytes);
}

// One icon image: a BITMAPINFOHEADER of twice the height (colour and mask),
// the rows bottom up in blue-green-red, padded to 4 bytes, and an empty
// (all opaque) 1-bit mask.
QByteArray Bitmap(const QImage& image)
{
    const int w = image.width(), h = image.height();
    QByteArray dib = Le(40, 4) + Le(w, 4) + Le(2 * h, 4) + Le(1, 2) + Le(24, 2) + Le(0, 4) +
                     Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(0, 4);
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            row += char(qBlue(p)), row += char(qGreen(p)), row += char(qRed(p));
        }
        dib += row + QByteArray((4 - row.size() % 4) % 4, '\0');
    }
    return dib + QByteArray(((w + 31) / 32) * 4 * h, '\0');
}

bool WriteIcon(QSvgRenderer& renderer, const QString& output, const QString& sizes,
               const QColor& background)
{
    QList<QByteArray> images;
    QList<int> sides;
    for (const QString& size : sizes.split(u',')) {
        const int side = size.toInt();
        const QImage image = Render(renderer, QSize(side, side), background);
        QByteArray data;
        if (side >= 256) {
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        } else {
            data = Bitmap(image);
        }
        images << data, sides << side;
    }
    QByteArray icon = Le(0, 2) + Le(1, 2) + Le(images.size(), 2); // ICONDIR
    quint32 offset = 6 + 16 * images.size();
    for (qsizetype i = 0; i < images.size(); ++i) { // ICONDIRENTRY; 0 stands for 256
        icon += char(sides[i] % 256), icon += char(sides[i] % 256);
        icon += Le(0, 2) + Le(1, 2) + Le(24, 2) + Le(images[i].size(), 4) + Le(offset, 4);
        offset += images[i].size();
    }
    for (const QByteArray& image : std::as_const(images))
        icon += image;
    QFile file(output);
    return file.open(QIODevice::WriteOnly) && file.write(icon) == icon.size();
}

} // namespace

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
    const QColor background(args.size() > 5 ? args.at(5) : QStringLiteral("#ffffff"));
    if (args.at(2).endsWith(u".ico")) {
        if (!WriteIcon(renderer, args.at(2), args.at(3), background)) {
            std::fprintf(stderr, "render-assets: cannot write %s\n", qPrintable(args.at(2)));
            return 1;
        }
        return 0;
    }
    const QSize size(args.at(3).toInt(), args.at(4).toInt());
    QImageWriter writer(args.at(2));
    writer.setQuality(95);
    if (!writer.write(Render(renderer, size, background))) {
        std::fprintf(stderr, "render-assets: cannot write %s: %s\n", qPrintable(args.at(2)),
                     qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
