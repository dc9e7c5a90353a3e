#include "app/AppIcon.h"
#include "app/StatusGlyph.h"
#include "store/Color.h"
#include "support/ReferencePictures.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include <set>

using namespace launcher;

namespace {

const QColor userColor = QColor::fromRgbF(0.2f, 0.4f, 0.9f, 0.3f);

// The rectangle of pixels that are not fully transparent.
QRect coveredPixels(const QImage& image)
{
    QRect covered;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                covered |= QRect(x, y, 1, 1);
    return covered;
}

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
        // Another colour is another picture; the colour of the other mode is not.
        QVERIFY(key(AwakeMode::normal, Qt::blue, Qt::red, 1.0) != key(AwakeMode::normal, userColor, Qt::red, 1.0));
        QCOMPARE(key(AwakeMode::normal, userColor, Qt::green, 1.0), key(AwakeMode::normal, userColor, Qt::red, 1.0));
        QVERIFY(key(AwakeMode::forced, userColor, Qt::blue, 1.0) != *forced.begin());
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

    // The program's icon is the still mascot, centred, filling its square
    // without touching the edges, at every size the theme gets.
    void appIconIsTheMascotFillingItsSquare_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {16, 22, 48, 256})
            QTest::addRow("%d", size) << size;
    }

    void appIconIsTheMascotFillingItsSquare()
    {
        QFETCH(int, size);
        const QImage icon = drawAppIcon(size);
        QCOMPARE(icon.size(), QSize(size, size));
        const QRect covered = coveredPixels(icon);
        QVERIFY(!covered.isEmpty());
        QVERIFY2(QRect(1, 1, size - 2, size - 2).contains(covered), qPrintable(QString::number(covered.width())));
        // The longer side spans the square but for a margin of 1/32, at least a pixel, each side.
        const int longest = std::max(covered.width(), covered.height());
        QVERIFY2(std::abs(longest - (size - 2 * std::max(size / 32.0, 1.0))) <= 1.5, qPrintable(QString::number(longest)));
        QVERIFY(std::abs(covered.left() - (size - 1 - covered.right())) <= 1);
        QVERIFY(std::abs(covered.top() - (size - 1 - covered.bottom())) <= 1);
        // The body between the eyes and the mouth is the opaque awake green.
        const QColor body = icon.pixelColor(size / 2, int(size * 0.47));
        QCOMPARE(body.alpha(), 255);
        QCOMPARE(body.rgb(), activePelvaneGreen().rgb());
    }

    // The scalable icon is the same drawing: rendered again, it matches the bitmap.
    void scalableIconMatchesTheBitmap()
    {
        const QByteArray svg = appIconSvg(256);
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox(), QRect(0, 0, 256, 256));
        constexpr int size = 64;
        QImage rendered(size, size, QImage::Format_ARGB32_Premultiplied);
        rendered.fill(Qt::transparent);
        {
            QPainter painter(&rendered);
            renderer.render(&painter);
        }
        const QImage drawn = drawAppIcon(size);
        int differing = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb a = rendered.pixel(x, y), b = drawn.pixel(x, y);
                const int delta = std::max({std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                                            std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
                if (delta > 24)
                    ++differing;
            }
        QVERIFY2(differing <= size * size / 100, qPrintable(QString::number(differing)));
    }
};

QTEST_MAIN(StatusGlyphTest)
#include "tst_statusglyph.moc"
