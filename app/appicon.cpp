#include "app/appicon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

// Reads the image of the size asked for only when a window asks for it. A QIcon made from
// files would first look through every icon and image plugin there is, which costs the
// start-up milliseconds before the first request goes out.
class ApplicationIconEngine final : public QIconEngine
{
public:
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int wanted = std::max(size.width(), size.height());
        int chosen = kSizes[std::size(kSizes) - 1];
        for (const int available : kSizes) {
            if (available >= wanted) {
                chosen = available;
                break;
            }
        }
        const QPixmap image(QStringLiteral(":/icons/icons/app-%1.png").arg(chosen), "PNG");
        return chosen == wanted ? image : image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int size : kSizes)
            sizes.append(QSize(size, size));
        return sizes;
    }

    QIconEngine *clone() const override { return new ApplicationIconEngine; }
};

} // namespace

QIcon applicationIcon()
{
    return QIcon(new ApplicationIconEngine);
}
