// Draws the program's SVG icon at the sizes a window system asks a window for
// and writes them into a C++ header as premultiplied ARGB pixels, so that the
// program can hand its windows their icon without loading the SVG engine. The
// build runs it; nothing else does.
// Usage: render_icon ICON.svg OUTPUT.h

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

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        fail("usage: render_icon ICON.svg OUTPUT.h");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QIcon icon(QString::fromLocal8Bit(argv[1]));

    QByteArray out = "// Made by tools/render_icon from data/pintwise.svg at build time.\n"
                     "#pragma once\n\n#include <cstdint>\n\nnamespace pintwise::icon_pixels {\n\n";
    QByteArray table = "struct Picture {\n    int size;\n    const std::uint32_t* pixels;\n};\n\n"
                       "inline constexpr Picture kPictures[] = {\n";
    for (const int size : kSizes) {
        const QImage image
            = icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.size() != QSize(size, size))
            fail(QString("cannot draw %1 at %2 pixels (is the SVG icon engine installed?)").arg(argv[1]).arg(size));
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
