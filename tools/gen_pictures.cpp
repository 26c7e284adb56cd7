// Draws the pictures of the desktop program into src/gui/resources: one 16x16
// icon per class index (class_00.png .. class_96.png), the six 50x50 replica
// type bitmaps, the product picture of the splash window and the About box,
// the program icon, and pictures.qrc listing them; and the program icon in the
// sizes of the desktop's icon theme (icons/quorvane-<size>.png). White is the
// transparent colour of every picture, so drawings use off-white for light parts.
//
//   cmake --build <build> --target qv_gen_pictures
//   QT_QPA_PLATFORM=offscreen <build>/tools/qv_gen_pictures src/gui/resources
#include "core/class_table.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

const QColor kInk(20, 20, 20);
const QColor kLight(250, 250, 246); // off-white: stays opaque

// The scale the pictures are drawn at: 1, or 2 for the "@2x" files of
// high-resolution screens. A painter on the canvas draws in the 1x
// coordinates either way.
int gScale = 1;

QImage Canvas(int w, int h) {
    QImage img(w * gScale, h * gScale, QImage::Format_RGB32);
    img.setDevicePixelRatio(gScale);
    img.fill(Qt::white);
    return img;
}

void Building(QPainter& p, QColor c) {
    p.setPen(kInk);
    p.setBrush(c);
    p.drawRect(2, 3, 11, 12);
    p.setBrush(kLight);
    for (int y = 5; y < 13; y += 3)
        for (int x = 4; x < 12; x += 3)
            p.drawRect(x, y, 1, 1);
}

void OrgUnit(QPainter& p, QColor c) {
    p.setPen(kInk);
    p.setBrush(c);
    p.drawRect(5, 1, 6, 4);
    p.drawLine(8, 5, 8, 8);
    p.drawLine(3, 8, 12, 8);
    p.drawLine(3, 8, 3, 10);
    p.drawLine(12, 8, 12, 10);
    p.drawRect(1, 10, 5, 4);
    p.drawRect(10, 10, 5, 4);
}

void Flag(QPainter& p) {
    p.setPen(kInk);
    p.drawLine(2, 1, 2, 15);
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(3, 2, 11, 4);
    p.setBrush(kLight);
    p.drawRect(3, 6, 11, 2);
    p.setBrush(QColor(30, 60, 180));
    p.drawRect(3, 8, 11, 2);
}

void Pin(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(QColor(40, 150, 60));
    QPainterPath path;
    path.addEllipse(3, 1, 10, 10);
    p.drawPath(path);
    p.drawLine(8, 11, 8, 15);
    p.setBrush(kLight);
    p.drawEllipse(6, 4, 4, 4);
}

void Shield(QPainter& p, QColor c) {
    p.setPen(kInk);
    p.setBrush(c);
    QPolygon s;
    s << QPoint(8, 1) << QPoint(14, 3) << QPoint(13, 10) << QPoint(8, 15) << QPoint(3, 10)
      << QPoint(2, 3);
    p.drawPolygon(s);
    p.setPen(QPen(kLight, 1.5));
    p.drawLine(5, 8, 7, 10);
    p.drawLine(7, 10, 11, 5);
}

void Server(QPainter& p, QColor c) {
    p.setPen(kInk);
    p.setBrush(c);
    p.drawRect(4, 1, 8, 14);
    p.setPen(QColor(60, 60, 60));
    for (int y = 4; y <= 8; y += 2)
        p.drawLine(6, y, 10, y);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 200, 0));
    p.drawRect(6, 11, 2, 2);
}

void Person(QPainter& p, int x, QColor c) {
    p.setPen(kInk);
    p.setBrush(QColor(240, 200, 160));
    p.drawEllipse(x + 2, 1, 5, 5);
    p.setBrush(c);
    p.drawRoundedRect(x, 7, 9, 8, 3, 3);
}

void Printer(QPainter& p, QColor c) {
    p.setPen(kInk);
    p.setBrush(kLight);
    p.drawRect(4, 1, 8, 5);
    p.setBrush(c);
    p.drawRect(1, 6, 14, 6);
    p.setBrush(kLight);
    p.drawRect(4, 10, 8, 5);
}

void Queue(QPainter& p, QColor c) {
    p.setPen(kInk);
    p.setBrush(c);
    for (int i = 0; i < 3; ++i)
        p.drawRect(2 + 2 * i, 2 + 4 * i, 10, 3);
}

void Volume(QPainter& p, QColor c) {
    p.setPen(kInk);
    p.setBrush(c);
    p.drawRect(2, 4, 12, 9);
    p.drawEllipse(2, 10, 12, 5);
    p.drawEllipse(2, 1, 12, 6);
}

void PartitionMark(QPainter& p) {
    // A pie with one slice cut out: the partition mark beside a node.
    p.setPen(kInk);
    p.setBrush(QColor(230, 120, 0));
    p.drawPie(1, 1, 14, 14, 90 * 16, 270 * 16);
    p.setBrush(QColor(255, 220, 0));
    p.drawPie(2, 0, 14, 14, 0, 90 * 16);
}

void Alias(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kLight);
    p.drawRect(1, 1, 14, 14);
    p.setPen(QPen(QColor(0, 100, 200), 2));
    p.drawLine(4, 12, 11, 5);
    p.drawLine(7, 5, 11, 5);
    p.drawLine(11, 5, 11, 9);
}

void Root(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(QColor(70, 130, 200));
    p.drawEllipse(1, 1, 14, 14);
    p.setPen(QPen(kLight, 1));
    p.drawLine(8, 4, 8, 12);
    p.drawLine(4, 8, 12, 8);
    p.drawEllipse(4, 2, 8, 12);
}

// Any other class: a tinted tile with a letter code, containers with a folded
// corner so that they stand apart from leaf objects.
void Tile(QPainter& p, int index, const QString& code, bool container) {
    QColor c = QColor::fromHsv((index * 47) % 360, 110, 215);
    p.setPen(kInk);
    p.setBrush(c);
    if (container) {
        QPolygon folder;
        folder << QPoint(1, 3) << QPoint(6, 3) << QPoint(7, 5) << QPoint(14, 5) << QPoint(14, 14)
               << QPoint(1, 14);
        p.drawPolygon(folder);
    } else {
        p.drawRoundedRect(1, 1, 14, 14, 3, 3);
    }
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(code.size() > 1 ? 7 : 9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRect(1, container ? 5 : 2, 14, container ? 9 : 13), Qt::AlignCenter, code);
}

QString Code(const std::string& name) {
    // The letters after a "VENDOR:" prefix, first letters of up to two words.
    QString n = QString::fromStdString(name);
    int colon = static_cast<int>(n.indexOf(QLatin1Char(':')));
    if (colon >= 0)
        n = n.mid(colon + 1);
    QStringList words = n.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString code;
    for (const QString& w : words) {
        code += w.at(0);
        if (code.size() == 2)
            break;
    }
    return code;
}

QImage ClassIcon(int index) {
    QImage img = Canvas(16, 16);
    QPainter p(&img);
    const std::string& name = qv::ClassName(index);
    switch (index) {
    case 0:
        Root(p);
        break;
    case 1:
        Building(p, QColor(60, 110, 190));
        break;
    case 2:
        OrgUnit(p, QColor(240, 200, 60));
        break;
    case 3:
        Server(p, QColor(150, 150, 160));
        break;
    case 4:
        PartitionMark(p);
        break;
    case 5:
        Flag(p);
        break;
    case 6:
        Shield(p, QColor(90, 90, 160));
        break;
    case 7:
        Server(p, QColor(200, 170, 120));
        break;
    case 8:
        Alias(p);
        break;
    case 11:
        Queue(p, QColor(180, 180, 100));
        break;
    case 16:
        Person(p, 0, QColor(60, 160, 80));
        Person(p, 6, QColor(60, 120, 200));
        break;
    case 17:
        Person(p, 0, QColor(120, 60, 160));
        Person(p, 6, QColor(60, 120, 200));
        break;
    case 18:
        Server(p, QColor(120, 60, 160));
        break;
    case 20:
        Pin(p);
        break;
    case 21:
        Shield(p, QColor(160, 60, 60));
        break;
    case 22:
        Person(p, 0, QColor(200, 120, 40));
        Person(p, 6, QColor(200, 160, 40));
        break;
    case 23:
        Server(p, QColor(200, 120, 40));
        break;
    case 26:
        Printer(p, QColor(90, 160, 200));
        break;
    case 28:
        Server(p, QColor(60, 160, 160));
        break;
    case 30:
        Person(p, 3, QColor(200, 80, 80));
        break;
    case 31:
        Person(p, 3, QColor(160, 160, 60));
        break;
    case 32:
        Person(p, 3, QColor(120, 120, 120));
        break;
    case 33:
        Printer(p, QColor(150, 150, 160));
        break;
    case 34:
        Printer(p, QColor(230, 150, 50));
        break;
    case 36:
        Queue(p, QColor(230, 150, 50));
        break;
    case 38:
        Shield(p, QColor(60, 140, 60));
        break;
    case 44:
        Person(p, 3, QColor(40, 90, 200));
        break;
    case 45:
        Volume(p, QColor(170, 170, 180));
        break;
    case 69:
        Person(p, 0, QColor(60, 160, 160));
        Person(p, 6, QColor(60, 120, 200));
        break;
    case 71:
        Server(p, QColor(80, 160, 220));
        break;
    case 73:
        Volume(p, QColor(80, 160, 220));
        break;
    case 89:
        Server(p, QColor(200, 90, 150));
        break;
    default:
        Tile(p, index, Code(name), qv::IsContainerClass(index));
        break;
    }
    return img;
}

QImage ReplicaBitmap(const QString& label, QColor body, bool sparse, bool crown, bool ref) {
    QImage img = Canvas(50, 50);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A stack of three disks (a replica of the directory), the type's name under it.
    QPen pen(kInk, 1.2);
    if (sparse)
        pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    for (int i = 2; i >= 0; --i) {
        QRectF r(9, 6 + i * 8, 32, 11);
        p.setBrush(ref ? kLight : body.darker(100 + i * 15));
        p.drawEllipse(r);
    }
    if (crown) {
        p.setBrush(QColor(255, 210, 0));
        QPolygonF c;
        c << QPointF(17, 8) << QPointF(19, 1) << QPointF(22, 5) << QPointF(25, 0) << QPointF(28, 5)
          << QPointF(31, 1) << QPointF(33, 8);
        p.setPen(QPen(kInk, 1));
        p.drawPolygon(c);
    }
    if (ref) {
        p.setPen(QPen(QColor(110, 110, 110), 1.5));
        p.drawLine(18, 17, 32, 17);
        p.drawLine(28, 13, 32, 17);
        p.drawLine(28, 21, 32, 17);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(8);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRect(0, 38, 50, 11), Qt::AlignCenter, label);
    return img;
}

QImage ProductPicture() {
    QImage img = Canvas(420, 220);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 220);
    g.setColorAt(0, QColor(22, 52, 110));
    g.setColorAt(1, QColor(40, 110, 170));
    p.fillRect(img.rect(), g);
    // A small tree of partitions: the root and two levels of containers.
    p.setPen(QPen(QColor(200, 220, 255), 2));
    const QPointF root(330, 40);
    const QPointF kids[] = {{290, 100}, {370, 100}};
    const QPointF leaves[] = {{265, 160}, {315, 160}, {370, 160}};
    for (QPointF k : kids)
        p.drawLine(root, k);
    p.drawLine(kids[0], leaves[0]);
    p.drawLine(kids[0], leaves[1]);
    p.drawLine(kids[1], leaves[2]);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(255, 200, 40));
    p.drawEllipse(root, 14, 14);
    p.setBrush(QColor(120, 200, 120));
    for (QPointF k : kids)
        p.drawEllipse(k, 11, 11);
    p.setBrush(QColor(230, 235, 245));
    for (QPointF l : leaves)
        p.drawRect(QRectF(l.x() - 9, l.y() - 9, 18, 18));
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(245, 245, 240));
    p.drawText(QRect(24, 50, 236, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("QUORVANE"));
    QFont sub(QStringLiteral("Liberation Sans"));
    sub.setPixelSize(14);
    p.setFont(sub);
    p.drawText(QRect(26, 110, 240, 60), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Partition and replica planning\nfor NDS trees"));
    return img;
}

// The program icon at size x size pixels (drawn on a 64 x 64 grid); lines
// stay at least a pixel wide in the small sizes.
QImage AppIcon(int size = 64) {
    const qreal s = size / 64.0;
    auto width = [s](qreal w) { return std::max<qreal>(w * s, 1.0); };
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 80, 150));
    p.drawRoundedRect(QRectF(2 * s, 2 * s, 60 * s, 60 * s), 12 * s, 12 * s);
    p.setPen(QPen(QColor(220, 230, 255), width(4)));
    p.drawLine(QPointF(32 * s, 16 * s), QPointF(18 * s, 44 * s));
    p.drawLine(QPointF(32 * s, 16 * s), QPointF(46 * s, 44 * s));
    p.setPen(QPen(kInk, width(2)));
    p.setBrush(QColor(255, 200, 40));
    p.drawEllipse(QPointF(32 * s, 16 * s), 9 * s, 9 * s);
    p.setBrush(QColor(120, 200, 120));
    p.drawEllipse(QPointF(18 * s, 46 * s), 8 * s, 8 * s);
    p.drawEllipse(QPointF(46 * s, 46 * s), 8 * s, 8 * s);
    return img;
}

bool Save(const QImage& img, const QDir& dir, const QString& name, QStringList& files) {
    if (!img.save(dir.filePath(name), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(dir.filePath(name)));
        return false;
    }
    files << name;
    return true;
}

// The class icons, the replica bitmaps and the product picture at gScale,
// named with "@2x" at scale 2.
bool SaveCompiledIn(const QDir& dir, QStringList& files) {
    const QString at = gScale == 1 ? QString() : QStringLiteral("@%1x").arg(gScale);
    bool ok = true;
    for (int i = 0; i < qv::kClassCount; ++i)
        ok &= Save(ClassIcon(i), dir,
                   QStringLiteral("class_%1").arg(i, 2, 10, QLatin1Char('0')) + at + ".png", files);
    ok &= Save(ReplicaBitmap(QStringLiteral("MASTER"), QColor(220, 170, 30), false, true, false),
               dir, QStringLiteral("MASTER") + at + ".png", files);
    ok &=
        Save(ReplicaBitmap(QStringLiteral("READ/WRITE"), QColor(70, 170, 80), false, false, false),
             dir, QStringLiteral("RW") + at + ".png", files);
    ok &=
        Save(ReplicaBitmap(QStringLiteral("READ ONLY"), QColor(80, 130, 210), false, false, false),
             dir, QStringLiteral("RO") + at + ".png", files);
    ok &= Save(ReplicaBitmap(QStringLiteral("SUB/REF"), QColor(160, 160, 160), false, false, true),
               dir, QStringLiteral("SR") + at + ".png", files);
    ok &= Save(ReplicaBitmap(QStringLiteral("SPARSE/W"), QColor(150, 215, 150), true, false, false),
               dir, QStringLiteral("SPRW") + at + ".png", files);
    ok &= Save(ReplicaBitmap(QStringLiteral("SPARSE/R"), QColor(160, 190, 235), true, false, false),
               dir, QStringLiteral("SPRO") + at + ".png", files);
    ok &= Save(ProductPicture(), dir, QStringLiteral("product") + at + ".png", files);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qv_gen_pictures <resource folder>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path()))
        return 1;
    QStringList files;
    bool ok = true;
    for (gScale = 1; gScale <= 2; ++gScale)
        ok &= SaveCompiledIn(dir, files);
    gScale = 1;
    ok &= Save(AppIcon(), dir, QStringLiteral("app_icon.png"), files);

    // The desktop's icon theme sizes (installed as hicolor icons, not compiled in).
    QStringList themeIcons;
    if (!dir.exists(QStringLiteral("icons")) && !dir.mkdir(QStringLiteral("icons")))
        return 1;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok &=
            Save(AppIcon(size), dir, QStringLiteral("icons/quorvane-%1.png").arg(size), themeIcons);

    QFile qrc(dir.filePath(QStringLiteral("pictures.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return 1;
    QTextStream out(&qrc);
    out << "<!-- Written by tools/gen_pictures.cpp -->\n<RCC>\n  <qresource "
           "prefix=\"/pictures\">\n";
    for (const QString& f : files)
        out << "    <file>" << f << "</file>\n";
    out << "  </qresource>\n</RCC>\n";
    return ok ? 0 : 1;
}
