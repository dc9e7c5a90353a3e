#include "engine/Constants.h"
#include "store/Color.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QtTest>

using namespace launcher;

class ColorTest : public QObject {
    Q_OBJECT
private slots:
    void toHex()
    {
        QCOMPARE(colorToHex(QColor(74, 227, 101)), QString("#4AE365"));
        // Halves round away from zero: 0.5/255 above 127 gives 128.
        QCOMPARE(colorToHex(QColor::fromRgbF(127.5f / 255.f, 0, 0)), QString("#800000"));
        QCOMPARE(colorToHex(calibratedRgb(1, 1, 1)), QString("#FFFFFF"));
        QCOMPARE(colorToHex(calibratedRgb(0, 0, 0)), QString("#000000"));
        for (const char* text : {"#4AE365", "#0A141E", "#808080"})
            QCOMPARE(colorToHex(colorFromHex(QString(text), Qt::red)), QString(text));
    }

    void greenIsConvertedFromTheCalibratedSpace()
    {
        const QString hex = colorToHex(activePelvaneGreen());
        QVERIFY(QRegularExpression("^#[0-9A-F]{6}$").match(hex).hasMatch());
        // Converted, not the raw components (74, 227, 101), yet still close to them.
        QVERIFY(hex != "#4AE365");
        const QColor c = activePelvaneGreen();
        QVERIFY(std::abs(c.red() - 74) < 40 && std::abs(c.green() - 227) < 25 && std::abs(c.blue() - 101) < 40);
        QVERIFY(c.green() > c.red() && c.green() > c.blue());
    }

    void outOfGamutComponentsAreClamped()
    {
        // A wide-gamut colour beyond sRGB must still give two digits per component.
        const QColor wide = QColor::fromRgbF(1.3f, -0.2f, 0.5f);
        QVERIFY(wide.redF() > 1.0f && wide.greenF() < 0.0f);
        QCOMPARE(colorToHex(wide), QString("#FF0080"));
        const QColorTransform p3 = QColorSpace(QColorSpace::DisplayP3).transformationToColorSpace(QColorSpace::SRgb);
        QCOMPARE(colorToHex(p3.map(QColor::fromRgbF(0, 1, 0))).size(), 7);
    }

    void fromHex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("parses");
        QTest::newRow("upper") << "#4AE365" << true;
        QTest::newRow("lower no hash") << "4ae365" << true;
        QTest::newRow("padded") << " #4AE365\n" << true;
        QTest::newRow("five") << "#4AE36" << false;
        QTest::newRow("seven") << "#4AE3651" << false;
        QTest::newRow("letter G") << "#4AG365" << false;
        QTest::newRow("sign") << "+4AE36" << false;
        QTest::newRow("inner space") << "#4A E365" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("fullwidth digits") << "#４AE365" << false;
    }
    void fromHex()
    {
        QFETCH(QString, text);
        QFETCH(bool, parses);
        const QColor fallback(1, 2, 3);
        const QColor color = colorFromHex(text, fallback);
        if (parses) {
            QCOMPARE(color.red(), 74);
            QCOMPARE(color.green(), 227);
            QCOMPARE(color.blue(), 101);
            QCOMPARE(color.alphaF(), 1.0f);
        } else {
            QCOMPARE(color, fallback);
        }
    }

    void absentTextGivesFallback()
    {
        QCOMPARE(colorFromHex(std::nullopt, QColor(Qt::red)), QColor(Qt::red));
    }
};

QTEST_GUILESS_MAIN(ColorTest)
#include "tst_color.moc"
