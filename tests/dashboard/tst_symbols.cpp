// The bundled symbols, loaded from the resources linked into the program.

#include "dashboard/Symbols.h"

#include <QApplication>
#include <QtTest>

using namespace launcher;

namespace {

struct Coverage {
    int opaque = 0;
    int offTint = 0; // visible pixels whose colour is not the tint
};

Coverage coverage(const QPixmap& pixmap, const QColor& tint)
{
    Coverage c;
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 128)
                continue;
            ++c.opaque;
            const QColor seen(p);
            if (qAbs(seen.red() - tint.red()) > 8 || qAbs(seen.green() - tint.green()) > 8
                || qAbs(seen.blue() - tint.blue()) > 8)
                ++c.offTint;
        }
    return c;
}

} // namespace

class SymbolsTest : public QObject {
    Q_OBJECT
private slots:
    void everyDashboardSymbolIsDrawnInItsTint_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"bolt.heart.fill", "power.circle.fill", "battery.100.bolt", "battery.75", "clock.fill",
                                 "sun.max.fill", "moon.stars.fill", "chart.bar.fill", "moon.fill"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everyDashboardSymbolIsDrawnInItsTint()
    {
        QFETCH(QString, name);
        for (const QColor& tint : {QColor(34, 176, 62), QColor(200, 30, 90)}) {
            const QPixmap pixmap = symbolPixmap(name, 14, tint, 2);
            QCOMPARE(pixmap.size(), QSize(28, 28));
            QCOMPARE(pixmap.devicePixelRatio(), 2.0);
            const Coverage c = coverage(pixmap, tint);
            // A symbol covers a fair part of its square, and only in the tint.
            QVERIFY2(c.opaque > 28 * 28 / 8, qPrintable(QString::number(c.opaque)));
            QCOMPARE(c.offTint, 0);
        }
    }

    void holesStayTransparent()
    {
        // The clock's hands are cut out of its face.
        const QImage clock = symbolPixmap(QStringLiteral("clock.fill"), 32, Qt::red, 1).toImage();
        QCOMPARE(qAlpha(clock.pixel(15, 10)), 0);
        QCOMPARE(qAlpha(clock.pixel(6, 22)), 255);
    }

    void unknownNameIsTransparent()
    {
        const QImage image = symbolPixmap(QStringLiteral("no.such.symbol"), 14, Qt::red, 1).toImage();
        QCOMPARE(image.size(), QSize(14, 14));
        QCOMPARE(coverage(QPixmap::fromImage(image), Qt::red).opaque, 0);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(qAlpha(image.pixel(x, y)), 0);
    }
};

QTEST_MAIN(SymbolsTest)
#include "tst_symbols.moc"
