#include "app/treeimages.h"

#include <QPainter>
#include <QPixmap>

namespace kelvoran {

namespace {

QPixmap blank() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    return pm;
}

// A framed box with a coloured title strip: the base of the object images.
void box(QPainter &p, const QColor &fill) {
    p.setPen(QColor(60, 60, 60));
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 11);
    p.fillRect(2, 3, 12, 3, fill);
}

void letter(QPainter &p, const QString &text, const QColor &colour) {
    QFont f = p.font();
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRect(1, 5, 14, 10), Qt::AlignCenter, text);
}

QIcon draw(int index) {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (index) {
    case 0: // alias and object: a database cylinder
        p.setPen(QColor(40, 70, 120));
        p.setBrush(QColor(120, 170, 230));
        p.drawRect(3, 4, 9, 9);
        p.drawEllipse(3, 1, 9, 5);
        p.drawEllipse(3, 10, 9, 5);
        break;
    case 1: // table: a grid
        box(p, QColor(70, 120, 200));
        p.setPen(QColor(120, 120, 120));
        p.drawLine(2, 9, 14, 9);
        p.drawLine(6, 6, 6, 13);
        p.drawLine(10, 6, 10, 13);
        break;
    case 2: // default folder
        p.setPen(QColor(150, 110, 30));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(1, 4, 13, 9);
        p.drawRect(1, 2, 5, 2);
        break;
    case 3:
        box(p, QColor(120, 120, 120));
        letter(p, QStringLiteral("L"), Qt::darkGray);
        break;
    case 4:
        box(p, QColor(160, 90, 40));
        letter(p, QStringLiteral("K"), QColor(160, 90, 40));
        break;
    case 5:
        box(p, QColor(200, 130, 60));
        letter(p, QStringLiteral("B"), QColor(200, 130, 60));
        break;
    case 6:
        box(p, QColor(40, 140, 60));
        letter(p, QStringLiteral("P"), QColor(40, 140, 60));
        break;
    case 7:
        box(p, QColor(200, 50, 50));
        letter(p, QStringLiteral("T"), QColor(200, 50, 50));
        break;
    case 8:
        box(p, QColor(130, 60, 160));
        letter(p, QStringLiteral("S"), QColor(130, 60, 160));
        break;
    case 9:
        box(p, QColor(40, 150, 170));
        letter(p, QStringLiteral("V"), QColor(40, 150, 170));
        break;
    case 10:
        box(p, QColor(90, 160, 40));
        letter(p, QStringLiteral("F"), QColor(90, 160, 40));
        break;
    case 11:
        box(p, QColor(90, 90, 200));
        letter(p, QStringLiteral("I"), QColor(90, 90, 200));
        break;
    case 13: // materialized view: the view's colours on a filled body (stored rows)
        box(p, QColor(40, 150, 170));
        p.fillRect(2, 7, 12, 6, QColor(200, 235, 240));
        letter(p, QStringLiteral("M"), QColor(40, 150, 170));
        break;
    case 14: // sequence
        box(p, QColor(170, 100, 130));
        letter(p, QStringLiteral("#"), QColor(170, 100, 130));
        break;
    case 15: // event
        box(p, QColor(210, 110, 150));
        letter(p, QStringLiteral("E"), QColor(180, 70, 120));
        break;
    case 12:
        box(p, QColor(180, 160, 40));
        letter(p, QStringLiteral("Y"), QColor(150, 130, 20));
        break;
    }
    return QIcon(pm);
}

} // namespace

const std::vector<QIcon> &treeImages() {
    static const std::vector<QIcon> images = [] {
        std::vector<QIcon> v;
        for (int i = 0; i < 16; ++i)
            v.push_back(draw(i));
        return v;
    }();
    return images;
}

QIcon treeImage(int index) {
    const auto &images = treeImages();
    if (index < 0 || index >= int(images.size()))
        return images[2];
    return images[size_t(index)];
}

} // namespace kelvoran
