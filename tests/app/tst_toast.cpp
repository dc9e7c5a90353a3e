// The toast controller on a fake desktop, in virtual time, and the panel
// itself as it is drawn.

#include "app/ToastWindowController.h"
#include "platform/QtDesktop.h"
#include "support/FakeAppPlatform.h"

#include <QWidget>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

class DrawnToastPanel final : public QtToastPanel {
public:
    DrawnToastPanel() : QtToastPanel(true) {}
    QImage picture() { return widget().grab().toImage(); }
    QFont font() { return widget().font(); }
};

bool isInk(QRgb pixel)
{
    return qAlpha(pixel) > 0 && qRed(pixel) > 160 && qBlue(pixel) > 160;
}

// The white text's pixels: how many, and the rectangle around them.
std::pair<int, QRect> inkOf(const QImage& image)
{
    int count = 0;
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isInk(image.pixel(x, y))) {
                ++count;
                found |= QRect(x, y, 1, 1);
            }
    return {count, found};
}

// The ink of text drawn a few characters at a time, each piece on one line
// of its own panel: what the whole text must come to.
int inkInPieces(const QString& text)
{
    int ink = 0;
    for (qsizetype at = 0; at < text.size(); at += 8) {
        DrawnToastPanel piece;
        piece.setText(text.mid(at, 8));
        ink += inkOf(piece.picture()).first;
    }
    return ink;
}

} // namespace

class ToastTest : public QObject {
    Q_OBJECT
private slots:
    // Centred on the screen, without taking the focus; the latest notice stays three seconds.
    void showAndHide()
    {
        ManualClock clock;
        FakeDesktop desktop;
        desktop.visibleFrame = QRect(1440, 25, 1920, 1055);
        auto toast = std::make_unique<ToastWindowController>(desktop, clock);
        toast->show(QStringLiteral("first"));
        QCOMPARE(desktop.toast.topLeft, std::optional(QPoint(2230, 525)));
        QCOMPARE(desktop.activations, 0);
        clock.advance(1.0);
        desktop.visibleFrame.reset(); // no screen: it stays where it was
        toast->show(QStringLiteral("second"));
        QCOMPARE(desktop.toast.topLeft, std::optional(QPoint(2230, 525)));
        clock.advance(2.99); // past the first notice's three seconds
        QVERIFY(desktop.toast.shown);
        clock.advance(0.02);
        QVERIFY(!desktop.toast.shown);

        toast->show(QStringLiteral("third"));
        toast.reset(); // its hide timer must not outlive it
        QCOMPARE(clock.pendingTimers(), 0);
    }

    // Sizes are logical pixels: ten ideographs of the 14 pixel font span about 140.
    void textIsFourteenPixelsHigh()
    {
        DrawnToastPanel panel;
        panel.setText(QStringLiteral("检测到鼠标或键盘已恢"));
        QCOMPARE(panel.size(), QSize(340, 54));
        const QRect ink = inkOf(panel.picture()).second;
        QVERIFY2(ink.width() >= 126 && ink.width() <= 146, qPrintable(QString::number(ink.width())));
        QVERIFY2(ink.height() >= 10 && ink.height() <= 15, qPrintable(QString::number(ink.height())));
        QVERIFY(qAbs(ink.center().x() - 170) <= 2 && qAbs(ink.center().y() - 27) <= 2); // centred
    }

    // Every glyph of the longest notices is drawn: the panel keeps its width
    // and takes the lines it needs.
    void longNoticesAreShownWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::newRow("wake with saving, Chinese")
            << QStringLiteral("检测到鼠标或键盘，已恢复正常界面 · 按MacBook Pro 16-inch估算，约省电123.45Wh，约省¥0.06") << 3;
        QTest::newRow("timer with saving, English")
            << QStringLiteral("定时挂机结束，已恢复正常界面 · Estimated on MacBook Pro 16-inch: saved about 123.45Wh and $0.04")
            << 3;
        QTest::newRow("hot keys, English")
            << QStringLiteral("Hot keys Ctrl+Alt+L, Ctrl+Alt+F, Ctrl+Alt+0 are unavailable; another program may hold them")
            << 3;
    }
    void longNoticesAreShownWhole()
    {
        QFETCH(QString, text);
        QFETCH(int, lines);
        DrawnToastPanel panel;
        panel.setText(text);
        const QImage picture = panel.picture();
        const int lineHeight = QFontMetrics(panel.font()).lineSpacing();
        QCOMPARE(panel.size().width(), 340);
        QVERIFY(panel.size().height() >= 54 && panel.size().height() <= 54 + (lines - 1) * (lineHeight + 1));

        const auto [count, box] = inkOf(picture);
        const int whole = inkInPieces(text);
        QVERIFY2(qAbs(count - whole) <= whole / 30, qPrintable(QStringLiteral("%1 of %2").arg(count).arg(whole)));
        QVERIFY(picture.rect().adjusted(16, 6, -16, -6).contains(box));
        QVERIFY2(box.height() > (lines - 1) * lineHeight && box.height() <= lines * lineHeight,
                     qPrintable(QString::number(box.height())));
    }

    // A runaway text stops at four lines, the last one elided.
    void aRunawayNoticeIsCut()
    {
        DrawnToastPanel panel;
        panel.setText(QStringLiteral("Forced mode saved about 0.42 kWh ").repeated(12));
        const int lineHeight = QFontMetrics(panel.font()).lineSpacing();
        QVERIFY(panel.size().height() <= 54 + 3 * (lineHeight + 1));
        const QRect box = inkOf(panel.picture()).second;
        QVERIFY(box.height() > 3 * lineHeight && panel.picture().rect().adjusted(16, 4, -16, -4).contains(box));
    }
};

QTEST_MAIN(ToastTest)
#include "tst_toast.moc"
