#include "tools/artwork/Scenes.h"

#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>

#include <QFont>
#include <QLinearGradient>
#include <QRadialGradient>

#include "launcher/views/Symbols.h"
#include "tools/artwork/Painting.h"

namespace novra::artwork {

namespace {

constexpr double kPi = 3.14159265358979;

// What a scene draws on: the painter, the picture's area in fractions of its size, the game.
struct Canvas {
    QPainter& p;
    QRectF area;
    const Subject& game;
    Random random;

    double w() const { return area.width(); }
    double h() const { return area.height(); }
    QPointF at(double fx, double fy) const { return {area.left() + fx * w(), area.top() + fy * h()}; }
    QColor accent() const { return game.accent; }
    // The accent mixed into the night: 0 is the background, 1 the accent itself.
    QColor tone(double t) const { return mix(kNight, game.accent, t); }
    void fill(const QPainterPath& path, const QBrush& brush) { draw(path, Qt::NoPen, brush); }
    void stroke(const QPainterPath& path, const QPen& pen) { draw(path, pen, Qt::NoBrush); }
    void draw(const QPainterPath& path, const QPen& pen, const QBrush& brush) {
        p.save();
        p.setPen(pen);
        p.setBrush(brush);
        p.drawPath(path);
        p.restore();
    }
};

QFont face(const QString& family, double pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(int(std::lround(pixels)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QPainterPath gear(QPointF centre, double radius, int teeth, double depth) {
    QPainterPath path;
    for (int i = 0; i <= teeth * 4; ++i) {
        double angle = 2 * kPi * i / (teeth * 4);
        double r = (i % 4 == 0 || i % 4 == 1) ? radius : radius - depth;
        QPointF point = centre + QPointF(std::cos(angle) * r, std::sin(angle) * r);
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    path.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(centre, radius * 0.28, radius * 0.28);
    return path.subtracted(hole);
}

// A simple boat: hull, cabin with lit windows, a funnel.
void ferry(Canvas& c, QPointF base, double length, const QColor& hull, const QColor& light) {
    QPainter& p = c.p;
    double h = length * 0.16;
    QPainterPath body;
    body.moveTo(base + QPointF(-length / 2, -h));
    body.lineTo(base + QPointF(length / 2 + length * 0.06, -h));
    body.lineTo(base + QPointF(length / 2 - length * 0.04, 0));
    body.lineTo(base + QPointF(-length / 2 + length * 0.05, 0));
    body.closeSubpath();
    QPainterPath cabin;
    cabin.addRoundedRect(QRectF(base + QPointF(-length * 0.3, -h * 2.1), QSizeF(length * 0.52, h * 1.15)), 3, 3);
    QPainterPath bridge;
    bridge.addRoundedRect(QRectF(base + QPointF(-length * 0.12, -h * 2.9), QSizeF(length * 0.22, h * 0.85)), 3, 3);
    QPainterPath funnel;
    funnel.addRect(QRectF(base + QPointF(length * 0.16, -h * 3.3), QSizeF(length * 0.06, h * 1.3)));
    c.fill(body.united(cabin).united(bridge).united(funnel), hull);
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        QPointF window = base + QPointF(-length * 0.27 + i * length * 0.055, -h * 1.7);
        glow(p, window, h * 0.9, light, 0.18);
        p.setBrush(faded(light, 0.95));
        p.drawRoundedRect(QRectF(window, QSizeF(length * 0.03, h * 0.42)), 1, 1);
    }
    p.restore();
    glow(p, base + QPointF(length * 0.5, -h * 1.1), h * 2.2, light, 0.35);
}

// Reeds with a seed head, leaning a little.
void reeds(Canvas& c, double left, double right, double ground, double height, int count, const QColor& color) {
    QPainter& p = c.p;
    p.save();
    for (int i = 0; i < count; ++i) {
        double x = left + (right - left) * c.random.next();
        double tall = height * c.random.range(0.45, 1.0);
        double lean = c.random.range(-0.18, 0.18) * tall;
        QPainterPath stem(QPointF(x, ground));
        stem.quadTo(QPointF(x + lean * 0.2, ground - tall * 0.6), QPointF(x + lean, ground - tall));
        p.setPen(QPen(color, c.random.range(1.4, 2.6), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(stem);
        if (c.random.next() < 0.55) {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            QPointF top(x + lean, ground - tall);
            p.save();
            p.translate(top);
            p.rotate(std::atan2(lean, tall) * 180 / kPi);
            p.drawRoundedRect(QRectF(-3.2, tall * 0.06, 6.4, tall * 0.16), 3, 3);
            p.restore();
        }
    }
    p.restore();
}

// Light drawn as a fan of soft beams from `source` towards `angle` (radians).
void beam(Canvas& c, QPointF source, double angle, double spread, double length, const QColor& color, double strength) {
    QPainterPath cone(source);
    cone.lineTo(source + QPointF(std::cos(angle - spread) * length, std::sin(angle - spread) * length));
    cone.lineTo(source + QPointF(std::cos(angle + spread) * length, std::sin(angle + spread) * length));
    cone.closeSubpath();
    QRadialGradient fade(source, length);
    fade.setColorAt(0, faded(color, strength));
    fade.setColorAt(1, faded(color, 0));
    c.fill(cone, fade);
}

void letterTile(Canvas& c, QPointF centre, double size, double angle, const QString& letter, const QColor& color) {
    QPainter& p = c.p;
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.setPen(QPen(faded(color, 0.55), 1.5));
    p.setBrush(mix(kNight, color, 0.16));
    p.drawRoundedRect(QRectF(-size / 2, -size / 2, size, size), size * 0.18, size * 0.18);
    p.setPen(faded(mix(color, Qt::white, 0.4), 0.95));
    p.setFont(face(QStringLiteral("Noto Serif"), size * 0.56, true));
    p.drawText(QRectF(-size / 2, -size / 2, size, size), Qt::AlignCenter, letter);
    p.restore();
}

// A far shore at `shore` and the river below it, darkening towards the bottom.
void river(Canvas& c, double shore) {
    c.fill(ridge(c.area, shore, c.h() * 0.02, c.w() * 0.1, c.random), c.tone(0.13));
    QPainterPath water;
    water.addRect(QRectF(c.area.left(), shore + c.h() * 0.022, c.w(), c.h()));
    QLinearGradient depth(c.at(0, shore / c.h()), c.at(0, 1));
    depth.setColorAt(0, c.tone(0.19));
    depth.setColorAt(1, mix(kNight, Qt::black, 0.38));
    c.fill(water, depth);
}

// Warm windows on a far shore, within the box given in fractions of the picture; a share of them
// (`reflected`) mirrored in the water down to `waterBottom`.
void shoreLights(Canvas& c, const QString& seed, int count, const QRectF& box, double size, double reflected = 0,
                 double waterBottom = 0) {
    const QColor warm(255, 214, 150);
    Random random(c.game.id + seed);
    c.p.save();
    c.p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        QPointF at = c.at(random.range(box.left(), box.right()), random.range(box.top(), box.bottom()));
        c.p.setBrush(faded(warm, random.range(0.4, 0.95)));
        c.p.drawEllipse(at, size, size);
        if (random.next() < reflected)
            reflections(c.p, at.x(), at.y() + c.h() * 0.02, waterBottom, 10, warm, random);
    }
    c.p.restore();
}

// ---- The scenes of the covers. Each draws its landscape and places the game's emblem. ----

void quietMarsh(Canvas& c) {
    stars(c.p, c.area, c.h() * 0.5, 60, c.accent(), c.random);
    emblem(c.p, c.at(0.66, 0.36), c.h() * 0.26, c.game.symbol, mix(c.accent(), Qt::white, 0.2));
    for (int i = 0; i < 4; ++i) {
        double base = c.h() * (0.56 + i * 0.09);
        c.fill(ridge(c.area, base, c.h() * 0.025, c.w() * 0.09, c.random), faded(c.tone(0.28 - i * 0.05), 0.55 + i * 0.12));
    }
    reflections(c.p, c.at(0.66, 0).x(), c.h() * 0.7, c.h(), c.w() * 0.2, c.accent(), c.random);
    reeds(c, c.at(0, 0).x(), c.at(0.45, 0).x(), c.h() * 1.02, c.h() * 0.42, 38, c.tone(0.12));
    reeds(c, c.at(0.82, 0).x(), c.at(1, 0).x(), c.h() * 1.02, c.h() * 0.36, 18, c.tone(0.12));
}

void emberRun(Canvas& c) {
    glow(c.p, c.at(0.66, 0.72), c.h() * 0.9, c.accent(), 0.35);
    emblem(c.p, c.at(0.66, 0.55), c.h() * 0.34, c.game.symbol, mix(c.accent(), Qt::white, 0.25), 0.45);
    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath city(c.at(0, 1));
        double x = c.area.left();
        double baseline = c.h() * (layer == 0 ? 0.64 : 0.74);
        while (x < c.area.right()) {
            double width = c.w() * c.random.range(0.04, 0.09);
            double top = baseline - c.h() * c.random.range(0.0, layer == 0 ? 0.14 : 0.1);
            city.lineTo(x, top);
            if (c.random.next() < 0.5) {
                city.lineTo(x + width / 2, top - c.h() * c.random.range(0.03, 0.07));
            } else if (c.random.next() < 0.5) {
                city.lineTo(x + width * 0.7, top);
                city.lineTo(x + width * 0.7, top - c.h() * 0.05);
                city.lineTo(x + width * 0.78, top - c.h() * 0.05);
                city.lineTo(x + width * 0.78, top);
            }
            city.lineTo(x + width, top);
            x += width;
        }
        city.lineTo(c.area.right(), c.area.bottom());
        city.closeSubpath();
        c.fill(city, layer == 0 ? c.tone(0.16) : mix(kNight, Qt::black, 0.3));
    }
    c.p.save();
    c.p.setPen(Qt::NoPen);
    for (int i = 0; i < 70; ++i) {
        QPointF at = c.at(c.random.range(0.35, 1.0), c.random.range(0.1, 0.8));
        double size = c.random.range(1.0, 3.4);
        glow(c.p, at, size * 5, c.accent(), 0.3);
        c.p.setBrush(mix(c.accent(), Qt::white, 0.5));
        c.p.drawEllipse(at, size * 0.6, size * 0.6);
    }
    c.p.restore();
}

void paperKings(Canvas& c) {
    QPainter& p = c.p;
    p.save();
    p.setPen(QPen(faded(c.accent(), 0.05), 1));
    for (double x = -c.h(); x < c.w(); x += 26)
        p.drawLine(QPointF(c.area.left() + x, c.area.top()), QPointF(c.area.left() + x + c.h(), c.area.bottom()));
    p.restore();
    const QPointF pivot = c.at(0.66, 1.05);
    const double cardW = c.h() * 0.3, cardH = c.h() * 0.44;
    for (int i = 0; i < 5; ++i) {
        double angle = -28 + i * 14;
        p.save();
        p.translate(pivot);
        p.rotate(angle);
        QRectF card(-cardW / 2, -c.h() * 0.78, cardW, cardH);
        QLinearGradient paper(card.topLeft(), card.bottomRight());
        paper.setColorAt(0, mix(c.tone(0.32), Qt::white, 0.06));
        paper.setColorAt(1, c.tone(0.14));
        p.setPen(QPen(faded(c.accent(), 0.65), 2));
        p.setBrush(paper);
        p.drawRoundedRect(card, 12, 12);
        p.setPen(QPen(faded(c.accent(), 0.3), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(card.adjusted(9, 9, -9, -9), 7, 7);
        // Corner pips: small diamonds, as on a court card.
        p.setPen(Qt::NoPen);
        p.setBrush(faded(c.accent(), 0.7));
        for (QPointF pip : {card.topLeft() + QPointF(24, 26), card.bottomRight() - QPointF(24, 26)}) {
            QPolygonF diamond({pip + QPointF(0, -8), pip + QPointF(6, 0), pip + QPointF(0, 8), pip + QPointF(-6, 0)});
            p.drawPolygon(diamond);
        }
        p.restore();
    }
    emblem(p, c.at(0.66, 0.44), c.h() * 0.2, c.game.symbol, mix(c.accent(), Qt::white, 0.3), 0.3);
}

void orbitPost(Canvas& c) {
    QPainter& p = c.p;
    stars(p, c.area, c.area.bottom(), 140, c.accent(), c.random);
    const QPointF planet = c.at(0.78, 1.05);
    const double r = c.h() * 0.42;
    QRadialGradient body(planet + QPointF(-r * 0.4, -r * 0.5), r * 1.4);
    body.setColorAt(0, c.tone(0.55));
    body.setColorAt(1, c.tone(0.08));
    glow(p, planet, r * 1.5, c.accent(), 0.2);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawEllipse(planet, r, r);
    p.save();
    p.translate(c.at(0.62, 0.6));
    p.rotate(-14);
    for (int i = 0; i < 3; ++i) {
        double rx = c.w() * (0.24 + i * 0.1), ry = c.h() * (0.12 + i * 0.05);
        QPen pen(faded(c.accent(), 0.45 - i * 0.1), 1.6);
        if (i == 1)
            pen.setDashPattern({4, 6});
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(0, 0), rx, ry);
        for (int k = 0; k < 2; ++k) {
            double t = c.random.range(0, 2 * kPi);
            QPointF station(std::cos(t) * rx, std::sin(t) * ry);
            glow(p, station, 16, c.accent(), 0.4);
            p.setPen(Qt::NoPen);
            p.setBrush(mix(c.accent(), Qt::white, 0.5));
            p.drawEllipse(station, 4, 4);
        }
    }
    p.restore();
    emblem(p, c.at(0.5, 0.32), c.h() * 0.2, c.game.symbol, mix(c.accent(), Qt::white, 0.25));
}

void saltAndIron(Canvas& c) {
    QPainter& p = c.p;
    stars(p, c.area, c.h() * 0.55, 50, c.accent(), c.random);
    emblem(p, c.at(0.66, 0.34), c.h() * 0.27, c.game.symbol, mix(c.accent(), Qt::white, 0.2));
    const double horizon = c.h() * 0.64;
    c.fill(ridge(QRectF(c.area.left(), horizon - c.h() * 0.1, c.w() * 0.4, c.h()), horizon - c.h() * 0.04, c.h() * 0.05,
                 c.w() * 0.05, c.random),
           c.tone(0.18));
    QPainterPath sea;
    sea.addRect(QRectF(c.area.left(), horizon, c.w(), c.h() - horizon));
    QLinearGradient water(c.at(0, horizon / c.h()), c.at(0, 1));
    water.setColorAt(0, c.tone(0.2));
    water.setColorAt(1, mix(kNight, Qt::black, 0.3));
    c.fill(sea, water);
    reflections(p, c.at(0.66, 0).x(), horizon + 4, c.area.bottom(), c.w() * 0.22, c.accent(), c.random);
    p.save();
    for (int i = 0; i < 7; ++i) {
        double y = horizon + (c.h() - horizon) * (0.15 + i * 0.13);
        QPainterPath wave;
        for (int k = 0; k <= 80; ++k) {
            double x = c.area.left() + c.w() * k / 80;
            double yy = y + std::sin(x / (30 + i * 8) + i) * (2 + i);
            k == 0 ? wave.moveTo(x, yy) : wave.lineTo(x, yy);
        }
        p.setPen(QPen(faded(c.accent(), 0.08 + i * 0.025), 1.2));
        p.drawPath(wave);
    }
    for (int i = 0; i < 3; ++i) {
        QPointF boat = c.at(0.22 + i * 0.09, 0.635);
        double s = c.h() * (0.05 - i * 0.01);
        QPainterPath sail(boat + QPointF(0, -s * 1.6));
        sail.lineTo(boat + QPointF(s * 0.7, -s * 0.15));
        sail.lineTo(boat + QPointF(-s * 0.1, -s * 0.15));
        sail.closeSubpath();
        QPainterPath hull;
        hull.addRoundedRect(QRectF(boat + QPointF(-s * 0.5, -s * 0.12), QSizeF(s * 1.3, s * 0.22)), 3, 3);
        c.fill(sail.united(hull), faded(mix(c.accent(), Qt::white, 0.3), 0.75 - i * 0.15));
    }
    p.restore();
}

void nightFerryCover(Canvas& c) {
    stars(c.p, c.area, c.h() * 0.62, 120, c.accent(), c.random);
    emblem(c.p, c.at(0.74, 0.27), c.h() * 0.22, c.game.symbol, mix(c.accent(), Qt::white, 0.35));
    const double shore = c.h() * 0.6;
    river(c, shore);
    shoreLights(c, QStringLiteral("-lights"), 40, QRectF(0.02, 0.585, 0.96, 0.03), 1.6);
    reflections(c.p, c.at(0.74, 0).x(), shore + c.h() * 0.03, c.area.bottom(), c.w() * 0.16, c.accent(), c.random);
    ferry(c, c.at(0.56, 0.8), c.w() * 0.3, mix(kNight, Qt::black, 0.25), QColor(255, 210, 140));
    reflections(c.p, c.at(0.56, 0).x(), c.h() * 0.81, c.area.bottom(), c.w() * 0.22, QColor(255, 210, 140), c.random);
}

void glassGarden(Canvas& c) {
    QPainter& p = c.p;
    p.save();
    p.setPen(QPen(faded(c.accent(), 0.1), 1.4));
    for (int i = 0; i < 5; ++i) {
        QRectF arch(c.at(0.1 + i * 0.2, 0.08), QSizeF(c.w() * 0.36, c.h() * 1.5));
        p.drawArc(arch, 0, 180 * 16);
    }
    p.restore();
    const QPointF source = c.at(0.66, 0.44);
    const QColor hues[] = {c.accent(), QColor::fromHsvF(std::fmod(c.accent().hsvHueF() + 0.15f, 1.0f), 0.45f, 1.0f),
                           QColor::fromHsvF(std::fmod(c.accent().hsvHueF() + 0.85f, 1.0f), 0.45f, 1.0f)};
    for (int i = 0; i < 7; ++i)
        beam(c, source, kPi * (0.12 + i * 0.12), 0.035, c.w() * 0.55, hues[i % 3], 0.3);
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(c.at(0.34 + i * 0.16, 0.7 + (i % 2) * 0.06));
        p.rotate(-12 + i * 17);
        QPolygonF prism({QPointF(0, -c.h() * 0.12), QPointF(c.h() * 0.1, c.h() * 0.06), QPointF(-c.h() * 0.1, c.h() * 0.06)});
        QLinearGradient glass(prism[0], prism[2]);
        glass.setColorAt(0, faded(Qt::white, 0.32));
        glass.setColorAt(1, faded(c.accent(), 0.12));
        p.setPen(QPen(faded(mix(c.accent(), Qt::white, 0.5), 0.8), 1.5));
        p.setBrush(glass);
        p.drawPolygon(prism);
        p.restore();
    }
    for (int i = 0; i < 16; ++i) {
        QPointF base = c.at(c.random.range(0.05, 0.95), 0.97);
        double tall = c.h() * c.random.range(0.04, 0.1);
        QPainterPath sprout(base);
        sprout.quadTo(base + QPointF(6, -tall * 0.6), base + QPointF(0, -tall));
        p.setPen(QPen(c.tone(0.6), 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(sprout);
        p.setPen(Qt::NoPen);
        p.setBrush(c.tone(0.7));
        p.drawEllipse(base + QPointF(5, -tall), 6, 3);
    }
    emblem(p, source, c.h() * 0.2, c.game.symbol, mix(c.accent(), Qt::white, 0.4), 0.5);
}

void tinOrchestra(Canvas& c) {
    QPainter& p = c.p;
    p.save();
    for (int i = 0; i < 5; ++i) {
        double y = c.h() * (0.3 + i * 0.07);
        QPainterPath staff;
        for (int k = 0; k <= 80; ++k) {
            double x = c.area.left() + c.w() * k / 80;
            double yy = y + std::sin(x / 160.0) * c.h() * 0.05;
            k == 0 ? staff.moveTo(x, yy) : staff.lineTo(x, yy);
        }
        p.setPen(QPen(faded(c.accent(), 0.14), 1.3));
        p.drawPath(staff);
    }
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 14; ++i) {
        double x = c.w() * c.random.range(0.02, 0.5);
        double y = c.h() * (0.3 + int(c.random.range(0, 5)) * 0.07) + std::sin(x / 160.0) * c.h() * 0.05;
        p.setBrush(faded(c.accent(), c.random.range(0.2, 0.5)));
        p.save();
        p.translate(c.area.left() + x, y);
        p.rotate(-20);
        p.drawEllipse(QPointF(0, 0), 8, 5.5);
        p.restore();
    }
    p.restore();
    struct Wheel {
        double x, y, r;
        int teeth;
        double shade;
    };
    for (const Wheel& wheel : {Wheel{0.8, 0.72, 0.3, 14, 0.2}, Wheel{0.55, 0.88, 0.19, 10, 0.26}, Wheel{0.93, 0.3, 0.16, 9, 0.14}}) {
        QPainterPath path = gear(c.at(wheel.x, wheel.y), c.h() * wheel.r, wheel.teeth, c.h() * 0.035);
        c.draw(path, QPen(faded(c.accent(), 0.35), 1.5), c.tone(wheel.shade));
    }
    emblem(p, c.at(0.66, 0.38), c.h() * 0.24, c.game.symbol, mix(c.accent(), Qt::white, 0.25));
}

void lanternKeep(Canvas& c) {
    QPainter& p = c.p;
    p.save();
    p.setPen(QPen(faded(c.accent(), 0.07), 1));
    for (int i = 0; i < 160; ++i) {
        QPointF from = c.at(c.random.next(), c.random.next());
        p.drawLine(from, from + QPointF(-c.h() * 0.03, c.h() * 0.09));
    }
    p.restore();
    const QPointF lamp = c.at(0.7, 0.3);
    beam(c, lamp, kPi * 1.05, 0.09, c.w() * 0.7, c.accent(), 0.32);
    beam(c, lamp, kPi * -0.05, 0.07, c.w() * 0.4, c.accent(), 0.2);
    QPainterPath tower;
    tower.moveTo(c.at(0.67, 0.36));
    tower.lineTo(c.at(0.73, 0.36));
    tower.lineTo(c.at(0.755, 0.86));
    tower.lineTo(c.at(0.645, 0.86));
    tower.closeSubpath();
    c.fill(tower, c.tone(0.2));
    p.save();
    p.setClipPath(tower);
    p.setPen(Qt::NoPen);
    p.setBrush(faded(c.accent(), 0.22));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(c.at(0.6, 0.45 + i * 0.14), QSizeF(c.w() * 0.2, c.h() * 0.05)));
    p.restore();
    QPainterPath cap;
    cap.moveTo(c.at(0.66, 0.24));
    cap.lineTo(c.at(0.7, 0.17));
    cap.lineTo(c.at(0.74, 0.24));
    cap.closeSubpath();
    c.fill(cap, c.tone(0.24));
    emblem(p, lamp, c.h() * 0.12, c.game.symbol, mix(c.accent(), Qt::white, 0.45), 0.6);
    c.fill(ridge(c.area, c.h() * 0.84, c.h() * 0.03, c.w() * 0.06, c.random), c.tone(0.12));
    for (int i = 0; i < 3; ++i)
        c.fill(ridge(c.area, c.h() * (0.88 + i * 0.05), c.h() * (0.03 - i * 0.006), c.w() * (0.04 + i * 0.02), c.random),
               faded(mix(kNight, Qt::black, 0.2 + i * 0.1), 0.9));
}

void copperHills(Canvas& c) {
    QPainter& p = c.p;
    glow(p, c.at(0.3, 0.42), c.h() * 0.7, c.accent(), 0.25);
    for (int i = 0; i < 5; ++i) {
        double base = c.h() * (0.5 + i * 0.1);
        c.fill(ridge(c.area, base, c.h() * (0.05 + i * 0.01), c.w() * (0.12 + i * 0.03), c.random), c.tone(0.34 - i * 0.06));
        if (i == 2) {
            QPainterPath road(c.at(0.02, 1.0));
            road.cubicTo(c.at(0.35, 0.85), c.at(0.3, 0.68), c.at(0.62, 0.62));
            road.cubicTo(c.at(0.78, 0.58), c.at(0.74, 0.52), c.at(0.66, 0.5));
            QPen pen(faded(mix(c.accent(), Qt::white, 0.3), 0.55), 3, Qt::CustomDashLine, Qt::RoundCap);
            pen.setDashPattern({4, 5});
            c.stroke(road, pen);
        }
    }
    emblem(p, c.at(0.64, 0.3), c.h() * 0.17, c.game.symbol, mix(c.accent(), Qt::white, 0.25));
}

void smallHours(Canvas& c) {
    QPainter& p = c.p;
    stars(p, c.area, c.h() * 0.6, 70, c.accent(), c.random);
    QPainterPath tower;
    tower.addRect(QRectF(c.at(0.6, 0.34), QSizeF(c.w() * 0.13, c.h() * 0.7)));
    QPainterPath roof;
    roof.moveTo(c.at(0.59, 0.34));
    roof.lineTo(c.at(0.665, 0.12));
    roof.lineTo(c.at(0.74, 0.34));
    roof.closeSubpath();
    c.fill(tower.united(roof), c.tone(0.16));
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 30; ++i) {
        QRectF window(c.at(c.random.range(0.02, 0.98), c.random.range(0.72, 0.95)), QSizeF(7, 10));
        p.setBrush(faded(mix(c.accent(), QColor(255, 210, 150), 0.5), c.random.range(0.3, 0.8)));
        p.drawRect(window);
    }
    p.restore();
    c.fill(ridge(QRectF(c.area.left(), c.h() * 0.7, c.w(), c.h() * 0.3), c.h() * 0.8, c.h() * 0.02, c.w() * 0.04, c.random),
           faded(mix(kNight, Qt::black, 0.2), 0.85));
    emblem(p, c.at(0.665, 0.48), c.h() * 0.15, c.game.symbol, mix(c.accent(), Qt::white, 0.3), 0.5);
    const QString letters = QStringLiteral("СЛОВОЧАС");
    for (int i = 0; i < letters.size(); ++i)
        letterTile(c, c.at(0.12 + (i % 4) * 0.085 + (i / 4) * 0.04, 0.62 + (i / 4) * 0.13 + c.random.range(-0.02, 0.02)),
                   c.h() * 0.1, c.random.range(-12, 12), letters.mid(i, 1), c.accent());
}

void frostSignal(Canvas& c) {
    QPainter& p = c.p;
    stars(p, c.area, c.h() * 0.5, 50, c.accent(), c.random);
    p.save();
    for (int line = 0; line < 6; ++line) {
        QPainterPath wave;
        double y = c.h() * 0.5;
        for (int k = 0; k <= 240; ++k) {
            double x = c.area.left() + c.w() * k / 240;
            double envelope = std::exp(-std::pow((x - c.w() * 0.66) / (c.w() * 0.25), 2));
            double yy = y + envelope * c.h() * 0.16 * std::sin(x / (9.0 + line * 2.5) + line) * std::sin(x / 70.0 + line * 0.7);
            k == 0 ? wave.moveTo(x, yy) : wave.lineTo(x, yy);
        }
        p.setPen(QPen(faded(mix(c.accent(), Qt::white, 0.2), 0.5 - line * 0.07), 1.6));
        p.drawPath(wave);
    }
    p.restore();
    QPainterPath peaks(c.at(0, 1));
    double x = 0;
    while (x < 1.0) {
        peaks.lineTo(c.at(x, c.random.range(0.66, 0.8)));
        x += c.random.range(0.05, 0.1);
        peaks.lineTo(c.at(x, c.random.range(0.8, 0.9)));
        x += c.random.range(0.03, 0.07);
    }
    peaks.lineTo(c.at(1, 0.85));
    peaks.lineTo(c.at(1, 1));
    peaks.closeSubpath();
    QLinearGradient ice(c.at(0, 0.66), c.at(0, 1));
    ice.setColorAt(0, c.tone(0.42));
    ice.setColorAt(1, c.tone(0.08));
    c.fill(peaks, ice);
    p.save();
    p.setPen(QPen(c.tone(0.5), 2));
    p.drawLine(c.at(0.25, 0.72), c.at(0.25, 0.4));
    p.drawLine(c.at(0.25, 0.45), c.at(0.225, 0.72));
    p.drawLine(c.at(0.25, 0.45), c.at(0.275, 0.72));
    p.restore();
    glow(p, c.at(0.25, 0.4), 18, c.accent(), 0.8);
    emblem(p, c.at(0.66, 0.5), c.h() * 0.16, c.game.symbol, mix(c.accent(), Qt::white, 0.4), 0.4);
}

void polarBloom(Canvas& c) {
    QPainter& p = c.p;
    stars(p, c.area, c.h() * 0.7, 90, c.accent(), c.random);
    for (int band = 0; band < 4; ++band) {
        QPainterPath ribbon;
        const int steps = 90;
        double top = c.h() * (0.08 + band * 0.07), thick = c.h() * (0.22 - band * 0.03);
        double phase = c.random.range(0, 6.28);
        for (int k = 0; k <= steps; ++k) {
            double x = c.area.left() + c.w() * k / steps;
            double y = top + std::sin(x / 190.0 + phase) * c.h() * 0.06;
            k == 0 ? ribbon.moveTo(x, y) : ribbon.lineTo(x, y);
        }
        for (int k = steps; k >= 0; --k) {
            double x = c.area.left() + c.w() * k / steps;
            double y = top + thick + std::sin(x / 150.0 + phase * 1.3) * c.h() * 0.05;
            ribbon.lineTo(x, y);
        }
        ribbon.closeSubpath();
        QLinearGradient curtain(c.at(0, top / c.h()), c.at(0, (top + thick) / c.h()));
        QColor tint = band % 2 ? QColor(140, 240, 200) : c.accent();
        curtain.setColorAt(0, faded(tint, 0));
        curtain.setColorAt(0.6, faded(tint, 0.16));
        curtain.setColorAt(1, faded(tint, 0.02));
        c.fill(ribbon, curtain);
    }
    const QPointF flower = c.at(0.66, 0.6);
    for (int ring = 0; ring < 3; ++ring) {
        int count = 8 + ring * 4;
        for (int i = 0; i < count; ++i) {
            p.save();
            p.translate(flower);
            p.rotate(360.0 * i / count + ring * 11);
            double length = c.h() * (0.3 - ring * 0.07);
            QLinearGradient petal(QPointF(0, 0), QPointF(0, -length));
            petal.setColorAt(0, faded(c.accent(), 0.05));
            petal.setColorAt(1, faded(mix(c.accent(), Qt::white, 0.2 + ring * 0.1), 0.35 + ring * 0.12));
            p.setPen(QPen(faded(c.accent(), 0.4), 1));
            p.setBrush(petal);
            p.drawEllipse(QRectF(-length * 0.13, -length, length * 0.26, length));
            p.restore();
        }
    }
    c.fill(ridge(c.area, c.h() * 0.92, c.h() * 0.02, c.w() * 0.1, c.random), c.tone(0.2));
    emblem(p, flower, c.h() * 0.13, c.game.symbol, Qt::white, 0.55);
}

void staticTide(Canvas& c) {
    QPainter& p = c.p;
    const QRectF screen(c.at(0.4, 0.12), QSizeF(c.w() * 0.52, c.h() * 0.72));
    p.save();
    p.setPen(QPen(c.tone(0.45), 6));
    p.setBrush(c.tone(0.1));
    p.drawRoundedRect(screen.adjusted(-16, -16, 16, 16), 38, 38);
    QPainterPath glass;
    glass.addRoundedRect(screen, 28, 28);
    p.setClipPath(glass);
    QLinearGradient tube(screen.topLeft(), screen.bottomLeft());
    tube.setColorAt(0, c.tone(0.35));
    tube.setColorAt(1, c.tone(0.12));
    p.fillRect(screen, tube);
    for (int i = 0; i < 7; ++i) {
        double level = screen.top() + screen.height() * (0.45 + i * 0.08);
        QPainterPath sea = ridge(screen, level, screen.height() * 0.03, screen.width() * (0.05 + i * 0.01), c.random);
        c.fill(sea, faded(mix(c.accent(), kNight, 0.25 + i * 0.1), 0.5));
    }
    p.setPen(QPen(faded(Qt::black, 0.28), 1));
    for (double y = screen.top(); y < screen.bottom(); y += 4)
        p.drawLine(QPointF(screen.left(), y), QPointF(screen.right(), y));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 900; ++i) {
        p.setBrush(faded(Qt::white, c.random.range(0.03, 0.16)));
        p.drawRect(QRectF(screen.left() + c.random.next() * screen.width(), screen.top() + c.random.next() * screen.height(), 2, 2));
    }
    p.restore();
    glow(p, screen.center(), screen.width() * 0.7, c.accent(), 0.15);
    emblem(p, QPointF(screen.center().x(), screen.top() + screen.height() * 0.3), c.h() * 0.16, c.game.symbol,
           mix(c.accent(), Qt::white, 0.35), 0.45);
}

using Scene = std::function<void(Canvas&)>;

const std::map<QString, Scene>& scenes() {
    static const std::map<QString, Scene> table{
        {QStringLiteral("quiet-marsh"), quietMarsh},     {QStringLiteral("ember-run"), emberRun},
        {QStringLiteral("paper-kings"), paperKings},     {QStringLiteral("orbit-post"), orbitPost},
        {QStringLiteral("salt-and-iron"), saltAndIron},  {QStringLiteral("night-ferry"), nightFerryCover},
        {QStringLiteral("glass-garden"), glassGarden},   {QStringLiteral("tin-orchestra"), tinOrchestra},
        {QStringLiteral("lantern-keep"), lanternKeep},   {QStringLiteral("copper-hills"), copperHills},
        {QStringLiteral("small-hours"), smallHours},     {QStringLiteral("frost-signal"), frostSignal},
        {QStringLiteral("polar-bloom"), polarBloom},     {QStringLiteral("static-tide"), staticTide},
    };
    return table;
}

// A game the program has no scene for (a new catalog entry) still gets a calm cover: soft hills
// under its emblem.
void plainScene(Canvas& c) {
    stars(c.p, c.area, c.h() * 0.5, 60, c.accent(), c.random);
    emblem(c.p, c.at(0.66, 0.4), c.h() * 0.26, c.game.symbol, mix(c.accent(), Qt::white, 0.2));
    for (int i = 0; i < 3; ++i)
        c.fill(ridge(c.area, c.h() * (0.66 + i * 0.1), c.h() * 0.04, c.w() * 0.1, c.random), c.tone(0.26 - i * 0.08));
}

// ---- The screenshots of the night ferry: three moments of one night on the river. ----

void subtitle(Canvas& c, const QString& speaker, const QString& line) {
    const QRectF box(c.at(0.2, 0.8), QSizeF(c.w() * 0.6, c.h() * 0.13));
    panel(c.p, box, c.accent());
    c.p.save();
    c.p.setFont(face(QStringLiteral("Noto Sans"), c.h() * 0.026, true));
    c.p.setPen(c.accent());
    c.p.drawText(box.adjusted(24, 14, -24, 0), Qt::AlignLeft | Qt::AlignTop, speaker);
    c.p.setFont(face(QStringLiteral("Noto Sans"), c.h() * 0.03, false));
    c.p.setPen(faded(Qt::white, 0.92));
    c.p.drawText(box.adjusted(24, 14 + c.h() * 0.04, -24, 0), Qt::AlignLeft | Qt::AlignTop, line);
    c.p.restore();
}

void hud(Canvas& c, const QString& text) {
    QFont font = face(QStringLiteral("Noto Sans"), c.h() * 0.024, true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    c.p.save();
    c.p.setFont(font);
    QRectF box(c.at(0.035, 0.05), QSizeF(QFontMetricsF(font).horizontalAdvance(text) + 44, c.h() * 0.065));
    panel(c.p, box, c.accent());
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(c.accent());
    c.p.drawEllipse(QPointF(box.left() + 18, box.center().y()), 4, 4);
    c.p.setPen(faded(Qt::white, 0.9));
    c.p.drawText(box.adjusted(32, 0, -10, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    c.p.restore();
}

void riverNight(Canvas& c, double shore, int starCount) {
    backdrop(c.p, c.area, c.accent(), c.at(0.75, 0.2));
    stars(c.p, c.area, shore, starCount, c.accent(), c.random);
    river(c, shore);
}

void lantern(Canvas& c, QPointF at, double size) {
    const QColor warm(255, 206, 140);
    glow(c.p, at, size * 6, warm, 0.35);
    c.p.save();
    c.p.setPen(QPen(mix(kNight, Qt::black, 0.3), 2));
    c.p.setBrush(mix(warm, Qt::white, 0.4));
    c.p.drawRoundedRect(QRectF(at - QPointF(size / 2, size * 0.7), QSizeF(size, size * 1.4)), 3, 3);
    c.p.restore();
}

void pier(Canvas& c) {
    const double deck = c.h() * 0.72;
    c.p.save();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(mix(kNight, Qt::black, 0.25));
    QPolygonF planks({c.at(0, deck / c.h()), c.at(0.5, deck / c.h() + 0.02), c.at(0.55, 1.0), c.at(0, 1.0)});
    c.p.drawPolygon(planks);
    c.p.setPen(QPen(faded(c.accent(), 0.12), 1.2));
    for (int i = 1; i < 9; ++i) {
        double t = i / 9.0;
        c.p.drawLine(c.at(0, (deck / c.h()) + t * (1 - deck / c.h())), c.at(0.5 + t * 0.05, (deck / c.h()) + 0.02 + t * (0.98 - deck / c.h())));
    }
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(mix(kNight, Qt::black, 0.4));
    for (int i = 0; i < 4; ++i)
        c.p.drawRect(QRectF(c.at(0.08 + i * 0.13, 0.6 + i * 0.005), QSizeF(c.w() * 0.012, c.h() * 0.16)));
    c.p.restore();
    for (int i = 0; i < 4; ++i)
        lantern(c, c.at(0.086 + i * 0.13, 0.585 + i * 0.005), c.h() * 0.022);
}

void passengers(Canvas& c, double deck, int count) {
    c.p.save();
    c.p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        double x = 0.14 + i * (0.72 / std::max(1, count - 1)) + c.random.range(-0.03, 0.03);
        double tall = c.h() * c.random.range(0.2, 0.26);
        QPointF feet = c.at(x, deck / c.h());
        c.p.setBrush(mix(kNight, Qt::black, 0.45));
        c.p.drawRoundedRect(QRectF(feet + QPointF(-tall * 0.16, -tall * 0.78), QSizeF(tall * 0.32, tall * 0.78)), tall * 0.1, tall * 0.1);
        c.p.drawEllipse(feet + QPointF(0, -tall * 0.9), tall * 0.1, tall * 0.11);
    }
    c.p.restore();
}

void railing(Canvas& c, double top, double bottom) {
    c.p.save();
    c.p.setPen(QPen(mix(kNight, Qt::black, 0.2), 5));
    c.p.drawLine(c.at(0, top / c.h()), c.at(1, top / c.h()));
    c.p.setPen(QPen(mix(kNight, Qt::black, 0.2), 3));
    for (double x = 0.02; x < 1; x += 0.06)
        c.p.drawLine(c.at(x, top / c.h()), c.at(x, bottom / c.h()));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(mix(kNight, Qt::black, 0.3));
    c.p.drawRect(QRectF(c.at(0, bottom / c.h()), QSizeF(c.w(), c.h() - bottom)));
    c.p.restore();
}

void stringLights(Canvas& c, double y) {
    QPainterPath wire(c.at(0, y));
    wire.cubicTo(c.at(0.3, y + 0.08), c.at(0.7, y + 0.08), c.at(1, y));
    c.p.save();
    c.p.setPen(QPen(faded(Qt::black, 0.6), 1.5));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawPath(wire);
    c.p.restore();
    for (int i = 1; i < 16; ++i) {
        QPointF bulb = wire.pointAtPercent(i / 16.0);
        glow(c.p, bulb, 22, QColor(255, 206, 140), 0.35);
        c.p.save();
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(QColor(255, 236, 200));
        c.p.drawEllipse(bulb + QPointF(0, 4), 3, 4);
        c.p.restore();
    }
}

void screenshot1(Canvas& c) {
    riverNight(c, c.h() * 0.5, 160);
    moon(c.p, c.at(0.8, 0.2), c.h() * 0.06, c.accent());
    reflections(c.p, c.at(0.8, 0).x(), c.h() * 0.53, c.area.bottom(), c.w() * 0.12, c.accent(), c.random);
    ferry(c, c.at(0.72, 0.68), c.w() * 0.42, mix(kNight, Qt::black, 0.2), QColor(255, 210, 140));
    reflections(c.p, c.at(0.72, 0).x(), c.h() * 0.69, c.area.bottom(), c.w() * 0.3, QColor(255, 210, 140), c.random);
    pier(c);
    vignette(c.p, c.area, 0.5);
    hud(c, QStringLiteral("ЧАС ДО ОТПЛЫТИЯ"));
    subtitle(c, QStringLiteral("Паромщик"), QStringLiteral("Отходим ровно в полночь. Успеешь попрощаться?"));
}

void screenshot2(Canvas& c) {
    riverNight(c, c.h() * 0.42, 120);
    moon(c.p, c.at(0.18, 0.16), c.h() * 0.05, c.accent());
    shoreLights(c, QStringLiteral("-deck"), 50, QRectF(0, 0.41, 1, 0.03), 1.5);
    stringLights(c, 0.1);
    passengers(c, c.h() * 0.8, 5);
    railing(c, c.h() * 0.66, c.h() * 0.8);
    vignette(c.p, c.area, 0.5);
    hud(c, QStringLiteral("ПОГОВОРИТЬ С ПАССАЖИРАМИ · 2/5"));
    subtitle(c, QStringLiteral("Девушка с чемоданом"), QStringLiteral("Я не сплю уже третью ночь. На том берегу меня ждут."));
}

void screenshot3(Canvas& c) {
    riverNight(c, c.h() * 0.56, 200);
    emblem(c.p, c.at(0.78, 0.22), c.h() * 0.13, c.game.symbol, mix(c.accent(), Qt::white, 0.4), 0.3);
    shoreLights(c, QStringLiteral("-town"), 90, QRectF(0.25, 0.5, 0.7, 0.075), 1.8, 0.3, c.h() * 0.75);
    ferry(c, c.at(0.38, 0.78), c.w() * 0.2, mix(kNight, Qt::black, 0.25), QColor(255, 210, 140));
    reflections(c.p, c.at(0.38, 0).x(), c.h() * 0.79, c.area.bottom(), c.w() * 0.15, QColor(255, 210, 140), c.random);
    vignette(c.p, c.area, 0.55);
    c.p.save();
    c.p.setFont(face(QStringLiteral("Noto Serif"), c.h() * 0.028, false));
    QFont small = c.p.font();
    small.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    c.p.setFont(small);
    c.p.setPen(faded(c.accent(), 0.9));
    c.p.drawText(QRectF(c.at(0.06, 0.12), QSizeF(c.w() * 0.6, c.h() * 0.05)), Qt::AlignLeft, QStringLiteral("ГЛАВА ТРЕТЬЯ"));
    c.p.setFont(face(QStringLiteral("Noto Serif"), c.h() * 0.075, true));
    c.p.setPen(faded(Qt::white, 0.95));
    c.p.drawText(QRectF(c.at(0.06, 0.17), QSizeF(c.w() * 0.7, c.h() * 0.12)), Qt::AlignLeft, QStringLiteral("Другой берег"));
    c.p.restore();
}

} // namespace

void emblem(QPainter& p, QPointF centre, double size, const QString& symbol, const QColor& color, double light) {
    const int pixels = int(std::lround(size * p.device()->devicePixelRatioF()));
    QImage image = Symbols::render(symbol, pixels, color);
    if (image.isNull())
        throw std::runtime_error("no icon for the symbol \"" + symbol.toStdString() +
                                 "\" (is adwaita-icon-theme installed with libqt6svg6?)");
    // Lit from above: the symbol runs from a paler tint at the top to its colour at the bottom.
    {
        QPainter tint(&image);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QLinearGradient shade(0, 0, 0, image.height());
        shade.setColorAt(0, mix(color, Qt::white, 0.35));
        shade.setColorAt(1, color);
        tint.fillRect(image.rect(), shade);
    }
    glow(p, centre, size * 1.5, color, light);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(centre - QPointF(size / 2, size / 2), QSizeF(size, size)), image);
    p.restore();
}

void drawCover(QPainter& p, const QRectF& area, const Subject& game) {
    p.setRenderHint(QPainter::Antialiasing);
    Canvas c{p, area, game, Random(game.id)};
    backdrop(p, area, game.accent, c.at(0.66, 0.42));
    // The title's first letter, very large and faint, gives each cover its own texture of type.
    p.save();
    p.setFont(face(QStringLiteral("Noto Serif"), c.h() * 1.15, true));
    p.setPen(faded(mix(game.accent, Qt::white, 0.3), 0.035));
    p.drawText(QRectF(c.at(0.02, -0.18), QSizeF(c.w() * 0.6, c.h() * 1.3)), Qt::AlignLeft | Qt::AlignVCenter, game.title.left(1));
    p.restore();
    auto scene = scenes().find(game.id);
    (scene != scenes().end() ? scene->second : Scene(plainScene))(c);
    vignette(p, area, 0.5);
    grain(p, area, c.random, 0.05);
}

void drawIcon(QPainter& p, const QRectF& area, const Subject& game) {
    p.setRenderHint(QPainter::Antialiasing);
    Canvas c{p, area, game, Random(game.id + QStringLiteral("-icon"))};
    QLinearGradient fill(area.topLeft(), area.bottomRight());
    fill.setColorAt(0, mix(game.accent, Qt::white, 0.08));
    fill.setColorAt(0.55, mix(kNight, game.accent, 0.55));
    fill.setColorAt(1, mix(kNight, game.accent, 0.18));
    p.fillRect(area, fill);
    glow(p, c.at(0.28, 0.22), c.w() * 0.7, Qt::white, 0.16);
    p.save();
    p.setPen(QPen(faded(Qt::white, 0.12), c.w() * 0.012));
    p.setBrush(Qt::NoBrush);
    for (double r : {0.34, 0.44})
        p.drawEllipse(c.at(0.5, 0.5), c.w() * r, c.w() * r);
    p.restore();
    // A soft shadow under the symbol lifts it off the gradient.
    QImage shadow = Symbols::render(game.symbol, int(c.w() * 0.5), QColor(0, 0, 0, 90));
    if (shadow.isNull())
        throw std::runtime_error("no icon for the symbol \"" + game.symbol.toStdString() + "\"");
    for (int dy = 1; dy <= 3; ++dy)
        p.drawImage(QRectF(c.at(0.25, 0.25 + dy * 0.006), QSizeF(c.w() * 0.5, c.w() * 0.5)), shadow);
    emblem(p, c.at(0.5, 0.5), c.w() * 0.5, game.symbol, Qt::white, 0.0);
    grain(p, area, c.random, 0.04);
}

bool drawScreenshot(QPainter& p, const QRectF& area, const Subject& game, int number) {
    if (game.id != u"night-ferry" || number < 1 || number > 3)
        return false;
    p.setRenderHint(QPainter::Antialiasing);
    Canvas c{p, area, game, Random(game.id + QStringLiteral("-shot-") + QString::number(number))};
    (number == 1 ? screenshot1 : number == 2 ? screenshot2 : screenshot3)(c);
    grain(p, area, c.random, 0.05);
    return true;
}

void drawLauncherIcon(QPainter& p, const QRectF& area) {
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent(219, 242, 153);
    QLinearGradient fill(area.topLeft(), area.bottomRight());
    fill.setColorAt(0, QColor(34, 38, 42));
    fill.setColorAt(1, kNight);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(area, area.width() * 0.22, area.width() * 0.22);
    glow(p, area.center() + QPointF(0, -area.height() * 0.05), area.width() * 0.55, accent, 0.16);
    QFont font = face(QStringLiteral("Noto Sans"), area.height() * 0.6, true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(area.adjusted(0, -area.height() * 0.04, -area.width() * 0.08, 0), Qt::AlignCenter, QStringLiteral("N"));
    p.setBrush(accent);
    const double dot = area.width() * 0.1;
    p.drawRoundedRect(QRectF(area.left() + area.width() * 0.72, area.top() + area.height() * 0.6, dot, dot), dot * 0.2, dot * 0.2);
}

} // namespace novra::artwork
