// Saves a picture of one X window as a PNG: scripts/screenshots.sh makes the
// README's pictures with it.
// Usage: grab_window WINDOW_ID OUTPUT.png   (WINDOW_ID decimal or 0x hex)
//
// A window that has just been mapped may not have painted yet, and nothing
// outside the program can tell when it has. So this grabs until the picture
// stops changing (and is more than one flat colour), then saves the last one.
// The grab is taken from the screen, so the window must be on top.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kIntervalMs = 100;
constexpr int kMatchesNeeded = 2; // three grabs alike, 200 ms apart at the ends
constexpr int kTimeoutMs = 10000;

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "grab_window: %s\n", qPrintable(message));
    std::exit(EXIT_FAILURE);
}

bool isOneColour(const QImage& image)
{
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] != first)
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        fail("usage: grab_window WINDOW_ID OUTPUT.png");
    // Without these, Qt prints several lines and aborts on its own.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        fail("DISPLAY is not set");
    qputenv("QT_QPA_PLATFORM", "xcb"); // grabbing another program's window needs X itself

    QGuiApplication app(argc, argv);
    const QString idText = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);

    bool ok = false;
    const WId id = idText.toULongLong(&ok, 0);
    if (!ok || id == 0)
        fail(QString("\"%1\" is not a window id").arg(idText));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        fail("no screen");

    QImage last;
    int matches = 0;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const QImage image = screen->grabWindow(id).toImage().convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            fail(QString("window %1 could not be grabbed (no such window, or empty)").arg(idText));
        // A flat picture is a window that has not painted yet.
        matches = !isOneColour(image) && image == last ? matches + 1 : 0;
        last = image;
        if (matches >= kMatchesNeeded)
            break;
        if (clock.elapsed() > kTimeoutMs) {
            fail(isOneColour(image)
                     ? QString("window %1 showed one flat colour for %2 s").arg(idText).arg(kTimeoutMs / 1000)
                     : QString("window %1 kept changing for %2 s").arg(idText).arg(kTimeoutMs / 1000));
        }
        QThread::msleep(kIntervalMs);
    }

    if (!last.save(output, "PNG", 0)) // 0: smallest file
        fail(QString("could not write %1").arg(output));
    return EXIT_SUCCESS;
}
