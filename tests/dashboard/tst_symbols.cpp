// The bundled symbols, loaded from the resources linked into the program.

#include "dashboard/Symbols.h"

#include <QtTest>

using namespace launcher;

class SymbolsTest : public QObject {
    Q_OBJECT
private slots:
    void symbolsAreDrawnInTheirTint_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("least"); // visible pixels of 28 x 28; none for an unknown name
        for (const char* name : {"bolt.heart.fill", "power.circle.fill", "battery.100.bolt", "battery.75", "clock.fill",
                                 "sun.max.fill", "moon.stars.fill", "chart.bar.fill", "moon.fill"})
            QTest::newRow(name) << QString::fromLatin1(name) << 28 * 28 / 8;
        QTest::newRow("unknown") << QStringLiteral("no.such.symbol") << 0;
    }
    void symbolsAreDrawnInTheirTint()
    {
        QFETCH(QString, name);
        QFETCH(int, least);
        for (const QColor& tint : {QColor(34, 176, 62), QColor(200, 30, 90)}) {
            const QPixmap pixmap = symbolPixmap(name, 14, tint, 2);
            QCOMPARE(pixmap.devicePixelRatio(), 2.0);
            const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(28, 28));
            int visible = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor seen = QColor::fromRgba(image.pixel(x, y));
                    if (least == 0)
                        QCOMPARE(seen.alpha(), 0);
                    if (seen.alpha() < 128)
                        continue;
                    ++visible;
                    QVERIFY(qAbs(seen.red() - tint.red()) <= 8 && qAbs(seen.green() - tint.green()) <= 8
                            && qAbs(seen.blue() - tint.blue()) <= 8);
                }
            QVERIFY2(visible >= least, qPrintable(QString::number(visible)));
        }
        if (name == QLatin1String("clock.fill")) {
            // The hands are cut out of the face, not painted over it.
            const QImage clock = symbolPixmap(name, 32, Qt::red, 1).toImage();
            QCOMPARE(qAlpha(clock.pixel(15, 10)), 0);
            QCOMPARE(qAlpha(clock.pixel(6, 22)), 255);
        }
    }
};

QTEST_MAIN(SymbolsTest)
#include "tst_symbols.moc"
