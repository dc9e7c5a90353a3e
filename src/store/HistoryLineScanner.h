#pragma once

#include "store/AwakeMode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace launcher {

// A JSON string as found on a line: a view into the line, or decoded when it
// had escapes.
struct ScannedText {
    QByteArrayView raw;
    QByteArray decoded;
    bool escaped = false;

    QByteArrayView view() const { return escaped ? QByteArrayView(decoded) : raw; }
    QString toString() const { return QString::fromUtf8(view()); }
};

struct ScannedHistoryLine {
    double at = 0;
    AwakeMode mode = AwakeMode::off;
    ScannedText action;
    ScannedText note;
};

enum class ScanOutcome { entry, notAnEntry, unsure };

// Reads the compact objects this program writes without building a
// QJsonDocument, which dominates the cost of reading a long log. Anything it
// is not certain about (nesting, \u escapes, repeated members, odd numbers,
// strings opening with U+FEFF) is unsure and left to the general parser, so
// both always agree. The line must already be known to be valid UTF-8.
ScanOutcome scanHistoryLine(QByteArrayView line, ScannedHistoryLine& out);

} // namespace launcher
