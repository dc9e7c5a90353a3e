#include "app/StatusGlyph.h"
#include "store/Color.h"
#include "support/ReferencePictures.h"

#include <QTest>

#include <set>

using namespace launcher;

namespace {

const QColor userColor = QColor::fromRgbF(0.2f, 0.4f, 0.9f, 0.3f);

} // namespace

class StatusGlyphTest : public QObject {
    Q_OBJECT

private slots:
    // The colour's own alpha gives way to the breathing; the growth stops at full size.
    void normalBreathingStaysWithinItsBounds()
    {
        double smallest = 2, largest = 0;
        for (int k = 0; k <= 2 * breathingPhases; ++k)
            for (double phase : {k * 0.05, 86400.0 + k * 0.05}) {
                const GlyphLook look = glyphLook(AwakeMode::normal, userColor, Qt::red, phase);
                QVERIFY2(look.base.alphaF() >= 0.56 - 1e-3, qPrintable(QString::number(phase)));
                QCOMPARE(look.base.rgb(), userColor.rgb());
                smallest = std::min(smallest, look.scale);
                largest = std::max(largest, look.scale);
            }
        QCOMPARE(smallest, 0.8192);
        QCOMPARE(largest, 1.0);
    }

    void cacheKeepsOneFramePerStepAndColour()
    {
        StatusGlyphCache cache;
        const auto key = [&cache](AwakeMode mode, const QColor& hang, const QColor& forced, double phase) {
            return cache.frame(mode, hang, forced, phase).cacheKey();
        };
        std::set<qint64> normal, forced;
        for (int k = 0; k < 2 * breathingPhases; ++k) {
            normal.insert(key(AwakeMode::normal, userColor, Qt::red, k * 0.05));
            forced.insert(key(AwakeMode::forced, userColor, Qt::red, k * 0.05));
        }
        QCOMPARE(normal.size(), size_t(breathingPhases));
        QCOMPARE(forced.size(), size_t(1));
        QCOMPARE(key(AwakeMode::normal, userColor, Qt::red, 1.0), key(AwakeMode::normal, userColor, Qt::red, 86401.0));
        // Another colour is another picture; the colour of the other mode is not.
        QVERIFY(key(AwakeMode::normal, Qt::blue, Qt::red, 1.0) != key(AwakeMode::normal, userColor, Qt::red, 1.0));
        QCOMPARE(key(AwakeMode::normal, userColor, Qt::green, 1.0), key(AwakeMode::normal, userColor, Qt::red, 1.0));
        QVERIFY(key(AwakeMode::forced, userColor, Qt::blue, 1.0) != *forced.begin());
        QVERIFY(key(AwakeMode::normal, Qt::red, Qt::red, 0) != key(AwakeMode::forced, Qt::red, Qt::red, 0));
    }

    void framesMatchTheirReferencePictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<double>("phase");
        QTest::newRow("off at rest") << "glyph-off" << AwakeMode::off << 0.0;
        QTest::newRow("normal at its peak") << "glyph-normal" << AwakeMode::normal << 2.5;
        QTest::newRow("forced") << "glyph-forced" << AwakeMode::forced << 1.0;
    }
    void framesMatchTheirReferencePictures()
    {
        QFETCH(QString, name);
        QFETCH(AwakeMode, mode);
        QFETCH(double, phase);
        const QImage actual = drawStatusGlyph(glyphLook(mode, activePelvaneGreen(), QColor(0x73, 0xDD, 0xF3), phase), 2.0);
        LAUNCHER_COMPARE_WITH_REFERENCE(actual, QStringLiteral("app/reference/") + name);
    }
};

QTEST_MAIN(StatusGlyphTest)
#include "tst_statusglyph.moc"
