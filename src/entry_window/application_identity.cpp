#include "application_identity.h"

#include <QGuiApplication>
#include <QIcon>
#include <QIconEngine>

#include <utility>

namespace pintwise {
namespace {

// The icon is an SVG drawn by Qt's SVG icon engine, and loading that engine
// costs about as much as a twentieth of start-up. This stands in for the icon
// and loads it the first time a window system asks for a picture of it, which
// a desktop does as the window appears and a headless run never does.
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
    // Sizes reach an engine in device pixels already: ask the icon for exactly
    // that many, and mark the picture with the scale it was asked for.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap picture = icon().pixmap(size, 1.0, mode, state);
        picture.setDevicePixelRatio(scale);
        return picture;
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new DeferredIconEngine(m_file); }
    QString key() const override { return "DeferredIconEngine"; }

private:
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
