#include "support/ReferencePictures.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cstdlib>

namespace launcher::testing {

void pinLookForPictures()
{
    qputenv("QT_SCALE_FACTOR", "1");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QFont font(QStringLiteral("DejaVu Sans"), 10);
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);
}

namespace {

// The largest difference of any channel of any pixel; -1 when the sizes differ.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    const QImage first = a.convertToFormat(QImage::Format_ARGB32);
    const QImage second = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int y = 0; y < first.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(first.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(second.constScanLine(y));
        for (int x = 0; x < first.width(); ++x)
            largest = std::max({largest, std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                                std::abs(qBlue(p[x]) - qBlue(q[x])), std::abs(qAlpha(p[x]) - qAlpha(q[x]))});
    }
    return largest;
}

} // namespace

bool referencePicturesApply()
{
#ifdef Q_OS_LINUX
    return true;
#else
    return false;
#endif
}

std::optional<QString> differenceFromReference(const QImage& actual, const QString& relativePath, int tolerance)
{
    if (!referencePicturesApply()) {
        qInfo("%s: not compared, the references are drawn with Linux's fonts and symbols", qPrintable(relativePath));
        return std::nullopt;
    }
    const QString reference = QStringLiteral(LAUNCHER_SOURCE_DIR "/tests/") + relativePath + QStringLiteral(".png");
    if (qEnvironmentVariable("LAUNCHER_UPDATE_REFERENCES") == QLatin1String("1")) {
        QDir().mkpath(QFileInfo(reference).path());
        if (!actual.save(reference))
            return QStringLiteral("cannot write ") + reference;
    }
    const QImage expected(reference);
    if (expected.isNull())
        return reference + QStringLiteral(" is missing; LAUNCHER_UPDATE_REFERENCES=1 draws it");
    const int difference = largestDifference(actual, expected);
    if (difference >= 0 && difference <= tolerance)
        return std::nullopt;
    const QString written =
        QDir(LAUNCHER_BIN_DIR).filePath(QFileInfo(relativePath).fileName() + QStringLiteral(".actual.png"));
    actual.save(written);
    return QStringLiteral("differs by %1 from %2; drawn: %3").arg(difference).arg(reference, written);
}

} // namespace launcher::testing
