#pragma once
// Byte counts and progress as the launcher shows them: decimal units, Russian ("1,5 ГБ"), and
// whole percents.
#include <QString>

namespace novra {

// "0 байт", "1 байт", "3 байта", "999 байт", "12 кБ", "12,3 МБ", "1,5 ГБ", "1,23 ТБ": kilobytes
// without decimals, megabytes with one, gigabytes and terabytes with two, trailing zeros dropped;
// a value that rounds up to 1000 moves to the next unit. Negative counts are shown as 0 bytes.
QString fileSizeText(qint64 bytes);

// A fraction from 0 to 1 as a percent, cut to its integer part: 0.999 → "99%", 1.0 → "100%".
QString percentText(double fraction);

} // namespace novra
