#include "tools/artwork/Painting.h"

#include <algorithm>
#include <cmath>

#include <QImage>
#include <QLinearGradient>
#include <QRadialGradient>

namespace novra::artwork {

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor faded(QColor color, double alpha) {
    color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

Random::Random(const QString& seed) : state_(1469598103934665603ull) {
    for (QChar c : seed) {
        state_ ^= c.unicode();
        state_ *= 1099511628211ull;
    }
    if (state_ == 0)
        state_ = 1;
}

double Random::next() {
    // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return double((state_ * 2685821657736338717ull) >> 11) / double(1ull << 53);
}

void backdrop(QPainter& p, const QRectF& area, const QColor& accent, QPointF focus) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, mix(kNight, accent, 0.16));
    sky.setColorAt(0.55, mix(kNight, accent, 0.07));
    sky.setColorAt(1, mix(kNight, QColor(0, 0, 0), 0.35));
    p.fillRect(area, sky);
    glow(p, focus, area.height() * 0.95, accent, 0.22);
}

void glow(QPainter& p, QPointF centre, double radius, const QColor& color, double strength) {
    QRadialGradient light(centre, radius);
    light.setColorAt(0, faded(color, strength));
    light.setColorAt(0.45, faded(color, strength * 0.35));
    light.setColorAt(1, faded(color, 0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void grain(QPainter& p, const QRectF& area, Random& random, double strength) {
    QImage noise(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < noise.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x) {
            int alpha = int(random.next() * 255 * strength);
            int value = random.next() < 0.5 ? 0 : alpha;
            line[x] = qRgba(value, value, value, alpha);
        }
    }
    p.save();
    p.fillRect(area, QBrush(noise));
    p.restore();
}

void vignette(QPainter& p, const QRectF& area, double strength) {
    QRadialGradient shade(area.center(), std::hypot(area.width(), area.height()) * 0.62);
    shade.setColorAt(0.55, QColor(0, 0, 0, 0));
    shade.setColorAt(1, faded(QColor(0, 0, 0), strength));
    p.fillRect(area, shade);
}

QPainterPath ridge(const QRectF& area, double base, double amplitude, double wavelength, Random& random) {
    const double phase1 = random.range(0, 6.28), phase2 = random.range(0, 6.28);
    const double steps = 96;
    QPainterPath path(QPointF(area.left(), area.bottom()));
    for (int i = 0; i <= steps; ++i) {
        double x = area.left() + area.width() * i / steps;
        double u = x / wavelength;
        double y = base + amplitude * (0.65 * std::sin(u + phase1) + 0.35 * std::sin(2.7 * u + phase2));
        path.lineTo(x, y);
    }
    path.lineTo(area.right(), area.bottom());
    path.closeSubpath();
    return path;
}

void stars(QPainter& p, const QRectF& area, double horizon, int count, const QColor& color, Random& random) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        QPointF at(area.left() + random.next() * area.width(), area.top() + random.next() * (horizon - area.top()));
        double bright = 0.25 + 0.75 * std::pow(random.next(), 3);
        double size = 0.6 + 1.6 * std::pow(random.next(), 4);
        if (bright > 0.8)
            glow(p, at, size * 7, color, 0.25);
        p.setBrush(faded(mix(color, Qt::white, 0.6), bright));
        p.drawEllipse(at, size, size);
    }
    p.restore();
}

void moon(QPainter& p, QPointF centre, double radius, const QColor& color) {
    glow(p, centre, radius * 4.5, color, 0.28);
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    QPainterPath bite;
    bite.addEllipse(centre + QPointF(radius * 0.45, -radius * 0.25), radius * 0.92, radius * 0.92);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(mix(color, Qt::white, 0.55));
    p.drawPath(disc.subtracted(bite));
    p.restore();
}

void reflections(QPainter& p, double x, double top, double bottom, double width, const QColor& color, Random& random) {
    p.save();
    p.setPen(Qt::NoPen);
    for (double y = top; y < bottom; y += random.range(5, 11)) {
        double depth = (y - top) / std::max(1.0, bottom - top);
        double w = width * (0.3 + depth * 0.9) * random.range(0.4, 1.0);
        double shift = random.range(-0.25, 0.25) * width;
        p.setBrush(faded(color, 0.55 * (1 - depth * 0.7) * random.range(0.4, 1.0)));
        p.drawRoundedRect(QRectF(x + shift - w / 2, y, w, 1.6 + depth * 1.6), 1, 1);
    }
    p.restore();
}

void panel(QPainter& p, const QRectF& box, const QColor& accent) {
    p.save();
    p.setPen(QPen(faded(accent, 0.35), 1.2));
    p.setBrush(faded(QColor(8, 10, 14), 0.78));
    p.drawRoundedRect(box, 10, 10);
    p.restore();
}

} // namespace novra::artwork
