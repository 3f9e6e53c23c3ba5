// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/artwork.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSvgRenderer>

#include <cmath>

// The library is static and nothing names its resource initialiser, so the
// linker would drop the pictures unless it is called by name (and the name
// may only be declared outside any namespace).
static void RegisterArtworkResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(artwork);
        return true;
    }();
    (void)registered;
}

namespace curvane {

namespace {

constexpr int IconSize = 22;

using TPaintIcon = void (*)(QPainter&);

QPen Pen(const QColor& color, double width = 1.6) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void Page(QPainter& p) {
    p.setPen(Pen(QColor(80, 80, 90), 1.2));
    p.setBrush(QColor(250, 250, 252));
    p.drawRect(QRectF(4.5, 2.5, 13, 17));
}

void Badge(QPainter& p, const QString& text, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(1, 1, IconSize - 2, IconSize - 2), 4, 4);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(text.size() > 2 ? 8 : 10);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, IconSize, IconSize), Qt::AlignCenter, text);
}

void Curve(QPainter& p, const QColor& color) {
    QPainterPath path;
    for (int i = 0; i <= 20; ++i) {
        const double x = 3 + i * 0.8;
        const double y = 11 - 6 * std::sin(i * 0.33);
        if (i == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    p.setPen(Pen(color, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void Axes(QPainter& p) {
    p.setPen(Pen(QColor(90, 90, 90), 1.0));
    p.drawLine(QPointF(2, 16.5), QPointF(20, 16.5));
    p.drawLine(QPointF(5.5, 2), QPointF(5.5, 20));
}

void Floppy(QPainter& p) {
    p.setPen(Pen(QColor(30, 50, 110), 1.2));
    p.setBrush(QColor(70, 110, 200));
    p.drawRect(QRectF(3.5, 3.5, 15, 15));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 3.5, 9, 6));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(6.5, 12.5, 9, 6));
}

// A curved arrow over the icon's top half, pointing left (back) or right.
void TurnArrow(QPainter& p, bool back) {
    if (!back) p.translate(IconSize, 0), p.scale(-1, 1);
    QPainterPath arc;
    arc.moveTo(6, 9);
    arc.cubicTo(9, 4, 17, 4, 18, 11);
    arc.cubicTo(18.5, 15, 15, 18, 11, 18);
    p.setPen(Pen(QColor(40, 90, 160), 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 160));
    p.drawPolygon(QPolygonF({QPointF(2.5, 11.5), QPointF(3.5, 4), QPointF(10, 8.5)}));
}

const QHash<QString, TPaintIcon>& Pictures() {
    static const QHash<QString, TPaintIcon> pictures{
        {"FileNew2D", [](QPainter& p) { Page(p); Curve(p, QColor(200, 40, 40)); }},
        {"FileNew3D", [](QPainter& p) { Badge(p, "3D", QColor(60, 110, 60)); }},
        {"File_Open",
         [](QPainter& p) {
             p.setPen(Pen(QColor(120, 90, 20), 1.2));
             p.setBrush(QColor(240, 200, 90));
             p.drawRect(QRectF(2.5, 6.5, 17, 12));
             p.setBrush(QColor(250, 220, 130));
             p.drawPolygon(QPolygonF({QPointF(4.5, 9.5), QPointF(21, 9.5), QPointF(18.5, 18.5), QPointF(2.5, 18.5)}));
         }},
        {"File_Save", [](QPainter& p) { Floppy(p); }},
        {"EditUndo", [](QPainter& p) { TurnArrow(p, true); }},
        {"EditRedo", [](QPainter& p) { TurnArrow(p, false); }},
        {"File_SaveAs", [](QPainter& p) { Floppy(p); }},
        {"FileSaveImage",
         [](QPainter& p) {
             Floppy(p);
             Curve(p, QColor(220, 60, 60));
         }},
        {"FileImage2Clip",
         [](QPainter& p) {
             p.setPen(Pen(QColor(90, 70, 40), 1.2));
             p.setBrush(QColor(200, 160, 100));
             p.drawRect(QRectF(4.5, 3.5, 13, 16));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(6.5, 6.5, 9, 11));
             Curve(p, QColor(220, 60, 60));
         }},
        {"FilePrint",
         [](QPainter& p) {
             p.setPen(Pen(QColor(60, 60, 60), 1.2));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(6.5, 2.5, 9, 7));
             p.setBrush(QColor(150, 150, 160));
             p.drawRect(QRectF(2.5, 8.5, 17, 8));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(6.5, 13.5, 9, 6));
         }},
        {"FuncDraw", [](QPainter& p) { Axes(p); Curve(p, QColor(30, 90, 200)); }},
        {"FuncAdd",
         [](QPainter& p) {
             Axes(p);
             p.setPen(Pen(QColor(20, 140, 20), 3));
             p.drawLine(QPointF(14, 5), QPointF(14, 15));
             p.drawLine(QPointF(9, 10), QPointF(19, 10));
         }},
        // The typed formula's curve joining the window: Draw's picture with
        // Add's plus.
        {"FuncAddFromBox",
         [](QPainter& p) {
             Axes(p);
             Curve(p, QColor(30, 90, 200));
             p.setPen(Pen(QColor(20, 140, 20), 2.6));
             p.drawLine(QPointF(16.5, 12), QPointF(16.5, 21));
             p.drawLine(QPointF(12, 16.5), QPointF(21, 16.5));
         }},
        {"FuncDelete",
         [](QPainter& p) {
             p.setPen(Pen(QColor(200, 30, 30), 3));
             p.drawLine(QPointF(5, 5), QPointF(17, 17));
             p.drawLine(QPointF(17, 5), QPointF(5, 17));
         }},
        {"FuncAddCopy", [](QPainter& p) { Badge(p, "f+", QColor(40, 120, 170)); }},
        {"FuncAddDeriv", [](QPainter& p) { Badge(p, "f'+", QColor(40, 120, 170)); }},
        {"FuncProperties", [](QPainter& p) { Badge(p, "f..", QColor(90, 90, 150)); }},
        {"FuncDerivate", [](QPainter& p) { Badge(p, "f'", QColor(150, 80, 150)); }},
        {"FuncVisible",
         [](QPainter& p) {
             p.setPen(Pen(QColor(40, 40, 40), 1.4));
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(2.5, 6.5, 17, 9));
             p.setBrush(QColor(40, 90, 170));
             p.drawEllipse(QRectF(8, 8, 6, 6));
         }},
        {"FuncGridSetup",
         [](QPainter& p) {
             p.setPen(Pen(QColor(110, 110, 120), 1.0));
             for (int i = 0; i < 4; ++i) {
                 p.drawLine(QPointF(3 + i * 5.3, 3), QPointF(3 + i * 5.3, 19));
                 p.drawLine(QPointF(3, 3 + i * 5.3), QPointF(19, 3 + i * 5.3));
             }
         }},
        {"CalcTabulation", [](QPainter& p) { Badge(p, "tab", QColor(120, 100, 40)); }},
        {"CalcIntegral", [](QPainter& p) { Badge(p, QString(QChar(0x222B)), QColor(120, 100, 40)); }},
        {"CalcRoot", [](QPainter& p) { Badge(p, "x0", QColor(120, 100, 40)); }},
        {"CalcPoints", [](QPainter& p) { Badge(p, "x*", QColor(120, 100, 40)); }},
        {"WindowCascade1",
         [](QPainter& p) {
             p.setPen(Pen(QColor(50, 50, 70), 1.1));
             for (int i = 0; i < 3; ++i) {
                 p.setBrush(QColor(220 - i * 30, 230 - i * 20, 250));
                 p.drawRect(QRectF(2.5 + i * 4, 2.5 + i * 4, 11, 9));
             }
         }},
        {"WindowTileHorizontal1",
         [](QPainter& p) {
             p.setPen(Pen(QColor(50, 50, 70), 1.1));
             p.setBrush(QColor(200, 215, 250));
             p.drawRect(QRectF(2.5, 2.5, 17, 7.5));
             p.drawRect(QRectF(2.5, 12, 17, 7.5));
         }},
        {"WindowTileVertical1",
         [](QPainter& p) {
             p.setPen(Pen(QColor(50, 50, 70), 1.1));
             p.setBrush(QColor(200, 215, 250));
             p.drawRect(QRectF(2.5, 2.5, 7.5, 17));
             p.drawRect(QRectF(12, 2.5, 7.5, 17));
         }},
        {"HelpContents", [](QPainter& p) { Badge(p, "?", QColor(40, 90, 170)); }},
        {"HelpWhatsThis",
         [](QPainter& p) {
             p.setPen(Pen(Qt::black, 1.1));
             p.setBrush(Qt::white);
             p.drawPolygon(QPolygonF({QPointF(3, 2), QPointF(3, 15), QPointF(6, 12), QPointF(8.5, 17),
                                      QPointF(10.5, 16), QPointF(8, 11), QPointF(12, 11)}));
             QFont font = p.font();
             font.setBold(true);
             font.setPixelSize(11);
             p.setFont(font);
             p.setPen(QColor(40, 90, 170));
             p.drawText(QRectF(11, 2, 10, 18), Qt::AlignCenter, QStringLiteral("?"));
         }},
        {"actNothing",
         [](QPainter& p) {
             p.setPen(Pen(Qt::black, 1.2));
             p.setBrush(Qt::white);
             p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(6, 18), QPointF(10, 14), QPointF(13, 20),
                                      QPointF(15, 19), QPointF(12, 13), QPointF(17, 13)}));
         }},
        {"actCross",
         [](QPainter& p) {
             p.setPen(Pen(Qt::black, 1.4));
             p.drawLine(QPointF(11, 2), QPointF(11, 20));
             p.drawLine(QPointF(2, 11), QPointF(20, 11));
         }},
        {"actPan",
         [](QPainter& p) {
             p.setPen(Pen(QColor(30, 30, 30), 1.6));
             p.drawLine(QPointF(11, 2), QPointF(11, 20));
             p.drawLine(QPointF(2, 11), QPointF(20, 11));
             p.drawPolyline(QPolygonF({QPointF(8, 5), QPointF(11, 2), QPointF(14, 5)}));
             p.drawPolyline(QPolygonF({QPointF(8, 17), QPointF(11, 20), QPointF(14, 17)}));
             p.drawPolyline(QPolygonF({QPointF(5, 8), QPointF(2, 11), QPointF(5, 14)}));
             p.drawPolyline(QPolygonF({QPointF(17, 8), QPointF(20, 11), QPointF(17, 14)}));
         }},
        {"actScale",
         [](QPainter& p) {
             p.setPen(Pen(QColor(30, 30, 30), 1.8));
             p.setBrush(QColor(210, 230, 250));
             p.drawEllipse(QRectF(3, 3, 11, 11));
             p.drawLine(QPointF(12.5, 12.5), QPointF(19, 19));
         }},
        {"actScaleX",
         [](QPainter& p) {
             p.setPen(Pen(QColor(30, 30, 30), 1.6));
             p.drawLine(QPointF(2, 11), QPointF(20, 11));
             p.drawPolyline(QPolygonF({QPointF(5, 8), QPointF(2, 11), QPointF(5, 14)}));
             p.drawPolyline(QPolygonF({QPointF(17, 8), QPointF(20, 11), QPointF(17, 14)}));
         }},
        {"actScaleY",
         [](QPainter& p) {
             p.setPen(Pen(QColor(30, 30, 30), 1.6));
             p.drawLine(QPointF(11, 2), QPointF(11, 20));
             p.drawPolyline(QPolygonF({QPointF(8, 5), QPointF(11, 2), QPointF(14, 5)}));
             p.drawPolyline(QPolygonF({QPointF(8, 17), QPointF(11, 20), QPointF(14, 17)}));
         }},
        {"actDisUniform", [](QPainter& p) { Badge(p, "1:k", QColor(90, 110, 130)); }},
        {"actDisGrid",
         [](QPainter& p) {
             p.setPen(Pen(QColor(60, 110, 60), 1.0));
             for (int i = 0; i < 4; ++i) {
                 p.drawLine(QPointF(3 + i * 5.3, 3), QPointF(3 + i * 5.3, 19));
                 p.drawLine(QPointF(3, 3 + i * 5.3), QPointF(19, 3 + i * 5.3));
             }
         }},
        {"actDisLabels", [](QPainter& p) { Badge(p, "12", QColor(90, 110, 130)); }},
        {"actDisPoints",
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(30, 90, 200));
             for (int i = 0; i < 6; ++i) p.drawEllipse(QPointF(3.5 + i * 3, 11 - 6 * std::sin(i * 1.1)), 1.4, 1.4);
         }},
        {"actDisAutoredraw", [](QPainter& p) { Badge(p, "A", QColor(30, 130, 110)); }},
        {"actPointsOfInterest",
         [](QPainter& p) {
             // A wave with its top and its crossing of the axis ringed.
             p.setPen(Pen(QColor(120, 120, 120), 1.0));
             p.drawLine(QPointF(1, 13), QPointF(21, 13));
             QPainterPath wave(QPointF(2, 17));
             wave.cubicTo(5, 2, 9, 2, 12, 13);
             wave.cubicTo(14, 19, 18, 19, 20, 15);
             p.setPen(Pen(QColor(30, 90, 200), 1.6));
             p.drawPath(wave);
             p.setPen(Pen(QColor(200, 60, 30), 1.4));
             p.drawEllipse(QPointF(7, 6.3), 2.6, 2.6);
             p.drawEllipse(QPointF(12, 13), 2.6, 2.6);
         }},
        {"actDisResetScales", [](QPainter& p) { Badge(p, "1:1", QColor(90, 110, 130)); }},
        {"actDisDefault", [](QPainter& p) { Badge(p, "±10", QColor(90, 110, 130)); }},
        {"actViewPrevious",
         [](QPainter& p) {
             p.setPen(Pen(QColor(30, 30, 30), 1.8));
             p.drawLine(QPointF(4, 11), QPointF(18, 11));
             p.drawPolyline(QPolygonF({QPointF(9, 6), QPointF(4, 11), QPointF(9, 16)}));
         }},
        {"actViewNext",
         [](QPainter& p) {
             p.setPen(Pen(QColor(30, 30, 30), 1.8));
             p.drawLine(QPointF(4, 11), QPointF(18, 11));
             p.drawPolyline(QPolygonF({QPointF(13, 6), QPointF(18, 11), QPointF(13, 16)}));
         }},
        {"btnPoints3", [](QPainter& p) { Badge(p, "pt", QColor(60, 110, 60)); }},
        {"btnLines", [](QPainter& p) { Badge(p, "ln", QColor(60, 110, 60)); }},
        {"btnSurface", [](QPainter& p) { Badge(p, "sf", QColor(60, 110, 60)); }},
        {"btnNormals", [](QPainter& p) { Badge(p, "N", QColor(60, 110, 60)); }},
        {"btnSmooth", [](QPainter& p) { Badge(p, "sm", QColor(60, 110, 60)); }},
        {"btnAxes", [](QPainter& p) { Axes(p); }},
        {"btnGrid3D", [](QPainter& p) { Badge(p, "#", QColor(60, 110, 60)); }},
        {"btnLabels3D", [](QPainter& p) { Badge(p, "xyz", QColor(60, 110, 60)); }},
        {"btnScaledBox", [](QPainter& p) { Badge(p, "1:1", QColor(60, 110, 60)); }},
        {"btnLightPos", [](QPainter& p) { Badge(p, "*", QColor(200, 150, 20)); }},
    };
    return pictures;
}

}  // namespace

QIcon FallbackIcon(const QString& commandName) {
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto it = Pictures().constFind(commandName);
    if (it != Pictures().constEnd()) {
        (*it)(painter);
    } else {
        QString letters = commandName;
        letters.remove(QLatin1String("act"));
        Badge(painter, letters.left(2), QColor(110, 110, 110));
    }
    painter.end();
    return QIcon(pixmap);
}

QIcon CommandIcon(const QString& themeName, const QString& commandName) {
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName)) {
        // A theme entry whose files this Qt cannot read (SVG without the SVG
        // plugin) would draw nothing: only take it when it yields pixels.
        const QIcon themed = QIcon::fromTheme(themeName);
        if (!themed.pixmap(16, 16).isNull()) return themed;
    }
    return FallbackIcon(commandName);
}

QIcon ApplicationIcon() {
    RegisterArtworkResources();
    QIcon icon;
    // Pixel pictures rather than the SVG, which would need Qt's SVG icon
    // plugin at run time; the small sizes are drawn for their size.
    for (const int size : ApplicationIconSizes)
        icon.addFile(QStringLiteral(":/artwork/%1/curvane.png").arg(size), QSize(size, size));
    return icon;
}

QIcon DocumentIcon() {
    RegisterArtworkResources();
    QSvgRenderer svg(QStringLiteral(":/artwork/document.svg"));
    QIcon icon;
    for (const int size : ApplicationIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

namespace {

class TDocumentIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        if (info.isFile() && info.suffix().compare(QLatin1String("gfx"), Qt::CaseInsensitive) == 0) return FIcon;
        return QFileIconProvider::icon(info);
    }

private:
    QIcon FIcon = DocumentIcon();
};

}  // namespace

void UseDocumentIcons(QFileDialog& dialog) {
    // The dialog does not own its provider, and its file system model may
    // still ask it from a worker thread while the dialog goes away: one
    // provider lives for the whole run.
    static auto* provider = new TDocumentIconProvider;
    dialog.setIconProvider(provider);
}

QImage CoverTile() {
    constexpr int W = 192;
    constexpr int H = 144;
    QImage tile(W, H, QImage::Format_RGB32);
    tile.fill(QColor(226, 232, 240));
    QPainter p(&tile);
    // Graph paper: fine lines every 8 pixels, stronger ones every 48, so the
    // pattern repeats exactly at the tile's edges.
    p.setPen(QColor(210, 218, 230));
    for (int x = 0; x < W; x += 8) p.drawLine(x, 0, x, H - 1);
    for (int y = 0; y < H; y += 8) p.drawLine(0, y, W - 1, y);
    p.setPen(QColor(190, 200, 216));
    for (int x = 0; x < W; x += 48) p.drawLine(x, 0, x, H - 1);
    for (int y = 0; y < H; y += 48) p.drawLine(0, y, W - 1, y);
    p.setRenderHint(QPainter::Antialiasing);
    // A damped wave that starts and ends at the same height and slope, so
    // neighbouring tiles continue the curve.
    QPainterPath wave;
    for (int x = 0; x <= W; ++x) {
        const double phase = 2 * M_PI * x / W;
        const double y = H / 2.0 - 30 * std::sin(2 * phase) * (0.6 + 0.4 * std::cos(phase));
        if (x == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.setPen(QPen(QColor(150, 170, 205), 2));
    p.drawPath(wave);
    return tile;
}

}  // namespace curvane
