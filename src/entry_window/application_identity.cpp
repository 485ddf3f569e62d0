#include "application_identity.h"

#include "icon_pixels.h"

#include <QGuiApplication>
#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QPixmap>

#include <utility>

namespace pintwise {
namespace {

// The icon is an SVG drawn by Qt's SVG icon engine, and loading that engine
// costs about a twentieth of start-up. A desktop asks for the icon as the
// first window appears, at a few usual sizes: those come from pixels drawn
// from the same SVG at build time. Only another size, or another mode, loads
// the SVG, the first time it is asked for.
class DeferredIconEngine final : public QIconEngine {
public:
    explicit DeferredIconEngine(QString file)
        : m_file(std::move(file))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    // pixmap() is asked for device pixels: give exactly that many. A scaled
    // picture is marked with the scale it was asked for.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap picture = drawn(size, mode, state);
        return picture.isNull() ? icon().pixmap(size, 1.0, mode, state) : picture;
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        // Up to Qt 6.7 the size arrives here in device pixels already; from
        // Qt 6.8 on it is in device-independent pixels, to be scaled.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QPixmap picture = pixmap(size * scale, mode, state);
#else
        QPixmap picture = pixmap(size, mode, state);
#endif
        picture.setDevicePixelRatio(scale);
        return picture;
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    // The sizes a window system takes for the window's icon: at twice the
    // scale it asks for twice the pixels, which the largest picture covers.
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        if (mode != QIcon::Normal || state != QIcon::Off)
            return icon().availableSizes(mode, state);
        return { QSize(16, 16), QSize(32, 32), QSize(64, 64) };
    }
    QIconEngine* clone() const override
    {
        return new DeferredIconEngine(m_file);
    }
    QString key() const override
    {
        return "DeferredIconEngine";
    }

private:
    // The picture drawn at build time at exactly this size, or a null pixmap.
    static QPixmap drawn(const QSize& size, QIcon::Mode mode, QIcon::State state)
    {
        if (mode != QIcon::Normal || state != QIcon::Off || size.width() != size.height())
            return {};
        for (const icon_pixels::Picture& picture : icon_pixels::kPictures) {
            if (picture.size == size.width()) {
                return QPixmap::fromImage(QImage(reinterpret_cast<const uchar*>(picture.pixels), picture.size,
                                                 picture.size, QImage::Format_ARGB32_Premultiplied));
            }
        }
        return {};
    }

    const QIcon& icon()
    {
        if (m_icon.isNull())
            m_icon = QIcon(m_file); // without the SVG engine: null, and no icon is shown
        return m_icon;
    }

    QString m_file;
    QIcon m_icon;
};

} // namespace

void setApplicationIdentity(QGuiApplication& app)
{
    app.setApplicationName("Pintwise");
    app.setDesktopFileName("pintwise");
    app.setWindowIcon(QIcon(new DeferredIconEngine(":/icons/pintwise.svg")));
}

} // namespace pintwise
