#include "launcher/views/FileSize.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QLocale>

namespace novra {

namespace {

// "байта" after 2, 3, 4, 22, 23, ... (not 12 to 14); "байт" otherwise.
QString byteWord(qint64 count) {
    qint64 lastTwo = count % 100, last = count % 10;
    bool few = last >= 2 && last <= 4 && !(lastTwo >= 12 && lastTwo <= 14);
    return few ? QStringLiteral("байта") : QStringLiteral("байт");
}

} // namespace

QString fileSizeText(qint64 bytes) {
    const QLocale russian(QLocale::Russian);
    if (bytes < 1000) {
        qint64 count = bytes < 0 ? 0 : bytes;
        return russian.toString(count) + u' ' + byteWord(count);
    }
    struct Unit {
        const char16_t* name;
        int decimals;
    };
    constexpr std::array kUnits{Unit{u"кБ", 0}, Unit{u"МБ", 1}, Unit{u"ГБ", 2}, Unit{u"ТБ", 2}};
    double value = double(bytes) / 1000.0;
    size_t unit = 0;
    for (;;) {
        double scale = std::pow(10.0, kUnits[unit].decimals);
        double rounded = std::round(value * scale) / scale;
        if (rounded < 1000.0 || unit + 1 == kUnits.size()) {
            QString number = russian.toString(rounded, 'f', kUnits[unit].decimals);
            if (kUnits[unit].decimals > 0) {
                const QString comma = russian.decimalPoint();
                while (number.endsWith(u'0'))
                    number.chop(1);
                if (number.endsWith(comma))
                    number.chop(comma.size());
            }
            return number + u' ' + QString::fromUtf16(kUnits[unit].name);
        }
        value /= 1000.0;
        ++unit;
    }
}

QString percentText(double fraction) {
    // Progress stays within 0 and 1; anything else (NaN included) is shown at the nearest end.
    const double percent = fraction >= 0 ? std::min(fraction, 1.0) * 100 : 0;
    return QString::number(static_cast<int>(std::trunc(percent))) + u'%';
}

} // namespace novra
