#include "store/CaptureValue.h"

#include <QtTest>

using namespace launcher;

class CaptureValueTest : public QObject {
    Q_OBJECT
private slots:
    void captureValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value"); // null when absent
        QTest::newRow("indented second line") << "Hardware:\n  Chip: M2\n" << "M2";
        QTest::newRow("prefix begins no line") << "Model Name: iMac\nThe Chip: inside\n" << QString();
        QTest::newRow("empty text") << "" << QString();
        QTest::newRow("first matching line wins") << "\n\n\tChip:\tApple M1 \t\nChip: M2\n" << "Apple M1";
        QTest::newRow("every occurrence removed") << "Chip: A Chip: B" << "A  B";
        QTest::newRow("carriage return kept") << "Chip: M1\r\n" << "M1\r";
        QTest::newRow("prefix alone") << "  Chip:   \n" << "";
    }

    void captureValue()
    {
        QFETCH(QString, text);
        QFETCH(QString, value);
        const auto expected = value.isNull() ? std::nullopt : std::optional(value);
        QCOMPARE(launcher::captureValue(text, QStringLiteral("Chip:")), expected);
    }
};

QTEST_GUILESS_MAIN(CaptureValueTest)
#include "tst_capturevalue.moc"
