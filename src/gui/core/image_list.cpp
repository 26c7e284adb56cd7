#include "gui/core/image_list.h"

#include "core/replica_vocabulary.h"

#include <QApplication>
#include <QBitmap>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace qv::gui {

namespace {

// Pixels darker than this are the bitmaps' lines and captions.
constexpr int kDarkGray = 96;

// A pixel of a bitmap drawn in ink: black and dark grey pixels become the
// ink; the grey pixels between them and white (the edges of the caption's
// letters) become the ink in part, so that the letters keep their shape on
// any ground. The pictures' colours stay.
QRgb Inked(QRgb pixel, const QColor& ink) {
    if (qAlpha(pixel) == 0)
        return pixel;
    const int gray = qGray(pixel);
    const int spread = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) -
                       std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
    if (spread >= 40)
        return pixel; // a colour of the picture, dark ones too
    const int cover = gray < kDarkGray ? 255 : (255 - gray) * 255 / (255 - kDarkGray);
    return qRgba(ink.red(), ink.green(), ink.blue(), cover * qAlpha(pixel) / 255);
}

// A picture of the resources: its "@2x" file above scale 1 where there is one.
QPixmap Picture(const QString& name, qreal scale) {
    if (scale > 1) {
        QPixmap sharp(QStringLiteral(":/pictures/%1@2x.png").arg(name));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2);
            return sharp;
        }
    }
    return QPixmap(QStringLiteral(":/pictures/%1.png").arg(name));
}

// White is the transparent colour of the bitmaps.
QPixmap WhiteTransparent(const QPixmap& source) {
    if (source.isNull())
        return source;
    QPixmap p = source;
    p.setMask(p.createMaskFromColor(Qt::white, Qt::MaskInColor));
    return p;
}

} // namespace

ImageList::ImageList(qreal scale) {
    if (scale <= 0)
        scale = qApp ? qApp->devicePixelRatio() : 1;
    blank_ = QPixmap(kIconSize, kIconSize);
    blank_.fill(Qt::transparent);
    for (int i = 0; i < static_cast<int>(icons_.size()); ++i) {
        QPixmap p = Picture(QStringLiteral("class_%1").arg(i, 2, 10, QLatin1Char('0')), scale);
        icons_[static_cast<std::size_t>(i)] = p.isNull() ? blank_ : WhiteTransparent(p);
    }
    for (const ReplicaTypeNames& type : kReplicaTypes) {
        const char* name = type.picture;
        QPixmap p = Picture(QLatin1String(name), scale);
        if (p.isNull()) {
            p = QPixmap(kReplicaBitmapSize, kReplicaBitmapSize);
            p.fill(Qt::white);
        }
        replicas_.insert(QLatin1String(name), WhiteTransparent(p));
    }
}

const QPixmap& ImageList::ClassIcon(long long index) const {
    long long i = index % 256;
    if (i < 0)
        i += 256;
    if (i >= static_cast<long long>(icons_.size()))
        return blank_;
    return icons_[static_cast<std::size_t>(i)];
}

const QPixmap& ImageList::NodePicture(int classIndex, bool partitionRoot) const {
    int key = classIndex * 2 + (partitionRoot ? 1 : 0);
    auto it = nodePictures_.find(key);
    if (it != nodePictures_.end())
        return *it;
    const qreal ratio = ClassIcon(classIndex).devicePixelRatio();
    QPixmap p(QSize(2 * kIconSize + 2, kIconSize) * ratio);
    p.setDevicePixelRatio(ratio);
    p.fill(Qt::transparent);
    {
        QPainter painter(&p);
        if (partitionRoot)
            painter.drawPixmap(0, 0, ClassIcon(4));
        painter.drawPixmap(kIconSize + 2, 0, ClassIcon(classIndex));
    }
    return *nodePictures_.insert(key, p);
}

const QPixmap& ImageList::ReplicaBitmap(std::string_view type) const {
    return *replicas_.find(QLatin1String(ReplicaPictureName(type)));
}

namespace {

// The picture with Inked applied to every pixel.
QPixmap InkedPicture(const QPixmap& picture, const QColor& ink) {
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = Inked(line[x], ink);
    }
    return QPixmap::fromImage(image);
}

} // namespace

const QPixmap& ImageList::InkedCopy(const QString& name, const QPixmap& picture,
                                    const QColor& ink) const {
    const QString key = name + ink.name();
    auto it = inked_.find(key);
    return it != inked_.end() ? *it : *inked_.insert(key, InkedPicture(picture, ink));
}

const QPixmap& ImageList::ClassIconIn(long long index, const QColor& ink) const {
    const QPixmap& icon = ClassIcon(index);
    if (&icon == &blank_)
        return icon;
    return InkedCopy(QStringLiteral("class%1").arg(index % 256), icon, ink);
}

const QPixmap& ImageList::NodePictureIn(int classIndex, bool partitionRoot,
                                        const QColor& ink) const {
    return InkedCopy(QStringLiteral("node%1.%2").arg(classIndex).arg(partitionRoot),
                     NodePicture(classIndex, partitionRoot), ink);
}

const QPixmap& ImageList::ReplicaBitmapIn(std::string_view type, const QColor& ink) const {
    return InkedCopy(QLatin1String(ReplicaPictureName(type)), ReplicaBitmap(type), ink);
}

QPixmap ImageList::ProductPicture() const {
    return QPixmap(QStringLiteral(":/pictures/product.png"));
}

} // namespace qv::gui
