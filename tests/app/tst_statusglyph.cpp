#include "app/StatusGlyph.h"
#include "engine/Constants.h"
#include "support/ReferencePictures.h"

#include <QDir>
#include <QTest>

#include <set>

using namespace launcher;

namespace {

const QColor userColor = QColor::fromRgbF(0.2f, 0.4f, 0.9f, 0.3f);

// One step of the pulse timer over two whole cycles, and the same a day later.
std::vector<double> pulsePhases()
{
    std::vector<double> phases;
    for (int k = 0; k <= 2 * breathingPhases; ++k) {
        phases.push_back(k * 0.05);
        phases.push_back(86400.0 + k * 0.05);
    }
    return phases;
}

} // namespace

class StatusGlyphTest : public QObject {
    Q_OBJECT

private slots:
    void phaseIndexFollowsThePulse_data()
    {
        QTest::addColumn<double>("phase");
        QTest::addColumn<int>("index");
        QTest::newRow("start") << 0.0 << 0;
        QTest::newRow("one tick") << 0.05 << 1;
        QTest::newRow("last tick") << 4.95 << 99;
        QTest::newRow("just short of a cycle") << 4.99 << 0;
        QTest::newRow("whole cycle") << 5.0 << 0;
        QTest::newRow("a day later") << 86400.05 << 1;
        QTest::newRow("negative") << -0.05 << 99;
        QTest::newRow("not a number") << qQNaN() << 0;
    }

    void phaseIndexFollowsThePulse()
    {
        QFETCH(double, phase);
        QFETCH(int, index);
        QCOMPARE(breathingPhaseIndex(phase), index);
    }

    void phaseSummedTickByTickForADayStaysOnItsStep()
    {
        double phase = 0;
        for (int tick = 1; tick <= 20 * 86400; ++tick) {
            phase += 0.05;
            if (tick % 9973 == 0)
                QCOMPARE(breathingPhaseIndex(phase), tick % breathingPhases);
        }
    }

    void forcedModeStandsStill()
    {
        const QImage first = drawStatusGlyph(glyphLook(AwakeMode::forced, userColor, Qt::red, 0.0));
        for (double phase : {0.7, 2.5, 4.99, 86400.35}) {
            const GlyphLook look = glyphLook(AwakeMode::forced, userColor, Qt::red, phase);
            QCOMPARE(look.scale, 1.0);
            QCOMPARE(look.lift, 0.9);
            QCOMPARE(look.base, QColor(Qt::red));
            QCOMPARE(drawStatusGlyph(look), first);
        }
    }

    void breathingStaysWithinItsBounds_data()
    {
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<double>("minimumScale");
        QTest::addColumn<double>("minimumAlpha");
        QTest::addColumn<QColor>("rgb");
        QTest::newRow("off") << AwakeMode::off << 0.8408 << 0.62 << QColor(Qt::white);
        QTest::newRow("normal") << AwakeMode::normal << 0.8192 << 0.56 << userColor.toRgb();
    }

    void breathingStaysWithinItsBounds()
    {
        QFETCH(AwakeMode, mode);
        QFETCH(double, minimumScale);
        QFETCH(double, minimumAlpha);
        QFETCH(QColor, rgb);
        double smallest = 2, largest = 0;
        for (double phase : pulsePhases()) {
            const GlyphLook look = glyphLook(mode, userColor, Qt::red, phase);
            QVERIFY2(look.scale >= minimumScale - 1e-9 && look.scale <= 1.0 + 1e-9, qPrintable(QString::number(phase)));
            QVERIFY(look.base.alphaF() >= minimumAlpha - 1e-3 && look.base.alphaF() <= 1.0);
            QCOMPARE(look.base.rgb(), rgb.rgb());
            QCOMPARE(look.lift, (look.level - 0.5) * 1.8);
            smallest = std::min(smallest, look.scale);
            largest = std::max(largest, look.scale);
        }
        QCOMPARE(glyphLook(mode, userColor, Qt::red, 0.0).scale, minimumScale);
        QCOMPARE(smallest, minimumScale);
        QCOMPARE(largest, 1.0);
        QCOMPARE(glyphLook(mode, userColor, Qt::red, 2.5).scale, 1.0);
    }

    void normalBodyIsDrawnWithTheBreathingAlphaNotTheColoursOwn()
    {
        // The middle of the body, below the mouth, at device pixel ratio 2.
        const QPoint body(30, 2 * (glyphHeight - 6));
        for (double phase : {0.0, 1.0, 2.5}) {
            const QImage image = drawStatusGlyph(glyphLook(AwakeMode::normal, userColor, Qt::red, phase), 2.0);
            const int alpha = qAlpha(image.pixel(body));
            QVERIFY2(alpha >= int(0.56 * 255) && alpha <= 255, qPrintable(QString::number(alpha)));
        }
    }

    void cacheKeepsOneFramePerStepAndColour()
    {
        StatusGlyphCache cache;
        std::set<qint64> normal, forced, off;
        for (int k = 0; k < 2 * breathingPhases; ++k) {
            normal.insert(cache.frame(AwakeMode::normal, userColor, Qt::red, k * 0.05).cacheKey());
            forced.insert(cache.frame(AwakeMode::forced, userColor, Qt::red, k * 0.05).cacheKey());
            off.insert(cache.frame(AwakeMode::off, userColor, Qt::red, k * 0.05).cacheKey());
        }
        QCOMPARE(normal.size(), size_t(breathingPhases));
        QCOMPARE(off.size(), size_t(breathingPhases));
        QCOMPARE(forced.size(), size_t(1));
        QCOMPARE(cache.frame(AwakeMode::normal, userColor, Qt::red, 1.0).cacheKey(),
                 cache.frame(AwakeMode::normal, userColor, Qt::red, 86401.0).cacheKey());
        // Another colour is another picture; the colour of the other mode is not.
        QVERIFY(cache.frame(AwakeMode::normal, Qt::blue, Qt::red, 1.0).cacheKey()
                != cache.frame(AwakeMode::normal, userColor, Qt::red, 1.0).cacheKey());
        QCOMPARE(cache.frame(AwakeMode::normal, userColor, Qt::green, 1.0).cacheKey(),
                 cache.frame(AwakeMode::normal, userColor, Qt::red, 1.0).cacheKey());
        QVERIFY(cache.frame(AwakeMode::forced, userColor, Qt::blue, 1.0).cacheKey() != *forced.begin());
    }

    void cachedAndFreshFramesAreTheSamePicture()
    {
        StatusGlyphCache cached;
        StatusGlyphCache fresh(false);
        for (double phase : {0.0, 0.05, 1.2500001, 2.5, 3.33, 86400.1}) {
            for (AwakeMode mode : allAwakeModes) {
                const QImage a = cached.frame(mode, userColor, Qt::red, phase);
                const QImage b = fresh.frame(mode, userColor, Qt::red, phase);
                QCOMPARE(a, b);
                QVERIFY(fresh.frame(mode, userColor, Qt::red, phase).cacheKey() != b.cacheKey());
            }
        }
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
        QCOMPARE(actual.size(), QSize(2 * glyphWidth, 2 * glyphHeight));
        QCOMPARE(actual.devicePixelRatio(), 2.0);

        LAUNCHER_COMPARE_WITH_REFERENCE(actual, QStringLiteral("app/reference/") + name);
    }
};

QTEST_MAIN(StatusGlyphTest)
#include "tst_statusglyph.moc"
