#include "resources/Icons.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace folivex {

namespace {

QString ResourceOf(std::string_view ownName) {
    return QStringLiteral(":/folivex/icons/") + QString::fromUtf8(ownName.data(), ownName.size()) +
           QStringLiteral(".svg");
}

QImage Render(const QString& resource, int size) {
    QSvgRenderer svg(resource);
    if (!svg.isValid())
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    return image;
}

// Rendered at the sizes toolbars and menus ask for, so no size is a blurred scaling of
// another; QIcon picks the nearest for a device pixel ratio of 2 as well.
QIcon IconOf(const QString& resource, std::initializer_list<int> sizes) {
    QIcon icon;
    for (int size : sizes) {
        const QImage image = Render(resource, size);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

QImage RenderOwnIcon(std::string_view ownName, int size) {
    const QString resource = ResourceOf(ownName);
    return QFile::exists(resource) ? Render(resource, size) : QImage();
}

QIcon ToolbarIcon(std::string_view themeName, std::string_view ownName) {
    const QIcon own = IconOf(ResourceOf(ownName), {16, 22, 24, 32, 48, 64});
    if (themeName.empty())
        return own;
    return QIcon::fromTheme(QString::fromUtf8(themeName.data(), themeName.size()), own);
}

QIcon ProgramIcon() {
    return IconOf(QStringLiteral(":/folivex/icons/folivex.svg"), {16, 32, 48, 64, 128, 256});
}

} // namespace folivex
