#include "platform/linux/LinuxHotKeys.h"

#include <QGuiApplication>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace launcher;

Q_DECLARE_METATYPE(std::optional<X11KeyCombination>)

class LinuxHotKeysTest : public QObject {
    Q_OBJECT

private slots:
    void carbonCombinationsNameXKeys_data()
    {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<std::optional<X11KeyCombination>>("expected");
        const unsigned controlAlt = ControlMask | Mod1Mask;
        QTest::newRow("control-option-L") << 37u << hotKeyControlOption << std::optional(X11KeyCombination{XK_l, controlAlt});
        QTest::newRow("A is key code zero") << 0u << 0x1000u << std::optional(X11KeyCombination{XK_a, ControlMask});
        QTest::newRow("command-shift-9") << 0x19u << 0x0300u << std::optional(X11KeyCombination{XK_9, Mod4Mask | ShiftMask});
        QTest::newRow("no modifiers") << 37u << 0u << std::optional(X11KeyCombination{XK_l, 0});
        QTest::newRow("return is not a letter or digit") << 0x24u << hotKeyControlOption << std::optional<X11KeyCombination>();
        QTest::newRow("caps lock as a modifier") << 37u << 0x1C00u << std::optional<X11KeyCombination>();
        QTest::newRow("right-hand control") << 37u << 0x8000u << std::optional<X11KeyCombination>();
        QTest::newRow("key code out of range") << 0x1000025u << hotKeyControlOption << std::optional<X11KeyCombination>();
    }

    void carbonCombinationsNameXKeys()
    {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(std::optional<X11KeyCombination>, expected);
        QCOMPARE(x11KeyCombination(keyCode, modifiers), expected);
    }

    void withoutX11NothingRegisters()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        LinuxHotKeys keys;
        int presses = 0;
        keys.installHandler([&](int) { ++presses; });
        QVERIFY(!keys.registerHotKey(37, hotKeyControlOption, 1));
        keys.unregisterAll();
        keys.removeHandler();
        QCOMPARE(presses, 0);
    }
};

QTEST_MAIN(LinuxHotKeysTest)
#include "tst_linuxhotkeys.moc"
