#pragma once
// Drawing helpers of the artwork program: colour mixing, a repeatable random source, and the
// layers every picture shares (backdrop, glow, grain, vignette) plus the landscape shapes the
// scenes are built from.
#include <cstdint>

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace novra::artwork {

// The window's background, the base of every picture.
inline const QColor kNight(16, 18, 20);

QColor mix(const QColor& a, const QColor& b, double t);
QColor faded(QColor color, double alpha);

// The same numbers for the same seed on every run and machine, so the artwork only changes when
// its code does.
class Random {
public:
    explicit Random(const QString& seed);
    double next(); // [0, 1)
    double range(double low, double high) { return low + (high - low) * next(); }

private:
    uint64_t state_;
};

// A dark gradient tinted by the accent, lighter towards `focus`.
void backdrop(QPainter& p, const QRectF& area, const QColor& accent, QPointF focus);
// A soft radial light.
void glow(QPainter& p, QPointF centre, double radius, const QColor& color, double strength);
// Fine film grain over the whole area.
void grain(QPainter& p, const QRectF& area, Random& random, double strength);
// Darkens the edges.
void vignette(QPainter& p, const QRectF& area, double strength);

// A filled ridge line from the left to the right edge at height `base` ± `amplitude`, closed along
// the bottom of `area`: hills, dunes, mist banks, waves seen from afar.
QPainterPath ridge(const QRectF& area, double base, double amplitude, double wavelength, Random& random);
// Stars: small dots of varied brightness above `horizon`, a few with a soft halo.
void stars(QPainter& p, const QRectF& area, double horizon, int count, const QColor& color, Random& random);
// A crescent moon.
void moon(QPainter& p, QPointF centre, double radius, const QColor& color);
// Horizontal light lines on water, shorter and fainter with distance from `x`.
void reflections(QPainter& p, double x, double top, double bottom, double width, const QColor& color, Random& random);
// A rounded-rectangle text panel in the style of a game's interface.
void panel(QPainter& p, const QRectF& box, const QColor& accent);

} // namespace novra::artwork
