// The pictures of the program: one icon per class index (ImageList1), the six
// replica type bitmaps, and the splash and About pictures. All come from the
// resources that tools/gen_pictures draws.
#pragma once

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <array>
#include <string_view>

namespace qv::gui {

class ImageList {
public:
    static constexpr int kIconSize = 16;
    static constexpr int kReplicaBitmapSize = 50;

    // The pictures at the scale of the screen (0: the application's device
    // pixel ratio); above 1 the "@2x" pictures are used where they exist.
    explicit ImageList(qreal scale = 0);
    // The class icon of an index (taken modulo 256); a blank icon for an index
    // that has none.
    const QPixmap& ClassIcon(long long index) const;
    // The tree node picture: the state image (the partition mark, index 4) in
    // front of the class icon; the state slot stays empty for other nodes.
    const QPixmap& NodePicture(int classIndex, bool partitionRoot) const;
    // The class icon and the node picture with their black and grey lines in
    // the given colour (a dark palette's text), as ReplicaBitmapIn does.
    const QPixmap& ClassIconIn(long long index, const QColor& ink) const;
    const QPixmap& NodePictureIn(int classIndex, bool partitionRoot, const QColor& ink) const;
    // The 50x50 bitmap of a replica type marker, white made transparent.
    const QPixmap& ReplicaBitmap(std::string_view type) const;
    // The same bitmap with its dark lines and caption in the given colour: what
    // a row shows on a ground where black would not be read (the selection's
    // highlight, a dark palette's base).
    const QPixmap& ReplicaBitmapIn(std::string_view type, const QColor& ink) const;
    QPixmap ProductPicture() const;

private:
    std::array<QPixmap, 97> icons_;
    QPixmap blank_;
    QHash<QString, QPixmap> replicas_;
    mutable QHash<int, QPixmap> nodePictures_;
    // The picture inked, made once per name and colour.
    const QPixmap& InkedCopy(const QString& name, const QPixmap& picture, const QColor& ink) const;
    mutable QHash<QString, QPixmap> inked_;
};

} // namespace qv::gui
