// Draws the program's SVG icon at the sizes a window system asks a window for
// and writes them into a C++ header as premultiplied ARGB pixels, so that the
// program can hand its windows their icon without loading the SVG engine. The
// build runs it. Given an .ico to write instead, it draws the sizes Windows
// asks for into one icon file, as PNG pictures (what Windows has read in an
// icon since Vista): data/pintwise.ico, built into pintwise.exe.
// Usage: render_icon ICON.svg OUTPUT.h|OUTPUT.ico

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

namespace {

// What a desktop asks for at its usual scale (16, 32, 64) and at twice it.
constexpr int kSizes[] = { 16, 32, 64, 128 };

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "render_icon: %s\n", qPrintable(message));
    std::exit(EXIT_FAILURE);
}

QImage draw(const QIcon& icon, int size, const char* name)
{
    QImage image = icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.size() != QSize(size, size))
        fail(QString("cannot draw %1 at %2 pixels (is the SVG icon engine installed?)").arg(name).arg(size));
    return image;
}

void appendLittleEndian(QByteArray& out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An icon directory (reserved 0, type 1, count), one 16-byte entry for each
// picture (a width or height of 256 is written as 0), then the pictures.
QByteArray iconFile(const QIcon& icon, const char* name)
{
    constexpr int kWindowsSizes[] = { 16, 32, 48, 256 };
    QList<QByteArray> pictures;
    for (const int size : kWindowsSizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        draw(icon, size, name).convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
        pictures.append(png);
    }
    QByteArray out;
    appendLittleEndian(out, 0, 2);
    appendLittleEndian(out, 1, 2);
    appendLittleEndian(out, static_cast<quint32>(pictures.size()), 2);
    quint32 offset = 6 + 16 * static_cast<quint32>(pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const int size = kWindowsSizes[i];
        appendLittleEndian(out, size % 256, 1);
        appendLittleEndian(out, size % 256, 1);
        appendLittleEndian(out, 0, 2);  // no palette, reserved
        appendLittleEndian(out, 1, 2);  // colour planes
        appendLittleEndian(out, 32, 2); // bits per pixel
        appendLittleEndian(out, static_cast<quint32>(pictures[i].size()), 4);
        appendLittleEndian(out, offset, 4);
        offset += static_cast<quint32>(pictures[i].size());
    }
    for (const QByteArray& png : pictures)
        out += png;
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        fail("usage: render_icon ICON.svg OUTPUT.h|OUTPUT.ico");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QIcon icon(QString::fromLocal8Bit(argv[1]));
    if (QByteArray(argv[2]).endsWith(".ico")) {
        const QByteArray ico = iconFile(icon, argv[1]);
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(ico) != ico.size())
            fail(QString("cannot write %1: %2").arg(argv[2], file.errorString()));
        return EXIT_SUCCESS;
    }

    QByteArray out = "// Made by tools/render_icon from data/pintwise.svg at build time.\n"
                     "#pragma once\n\n#include <cstdint>\n\nnamespace pintwise::icon_pixels {\n\n";
    QByteArray table = "struct Picture {\n    int size;\n    const std::uint32_t* pixels;\n};\n\n"
                       "inline constexpr Picture kPictures[] = {\n";
    for (const int size : kSizes) {
        const QImage image = draw(icon, size, argv[1]);
        out += QByteArray("inline constexpr std::uint32_t kPixels") + QByteArray::number(size) + "[] = {";
        for (int y = 0; y < size; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < size; ++x)
                out += QByteArray(x % 8 ? " 0x" : "\n    0x") + QByteArray::number(line[x], 16).rightJustified(8, '0')
                    + ',';
        }
        out += "\n};\n\n";
        table += "    { " + QByteArray::number(size) + ", kPixels" + QByteArray::number(size) + " },\n";
    }
    out += table + "};\n\n} // namespace pintwise::icon_pixels\n";

    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out) != out.size())
        fail(QString("cannot write %1: %2").arg(argv[2], file.errorString()));
    return EXIT_SUCCESS;
}
