#include "store/CaptureValue.h"

#include <QtTest>

using namespace launcher;

class CaptureValueTest : public QObject {
    Q_OBJECT
private slots:
    void indentedSecondLineYieldsItsWord()
    {
        QCOMPARE(captureValue(QStringLiteral("Hardware:\n  Chip: M2\n"), QStringLiteral("Chip:")),
                 std::optional<QString>(QStringLiteral("M2")));
    }

    void prefixThatBeginsNoLineIsAbsent()
    {
        const QString text = QStringLiteral("Model Name: iMac\nThe Chip: inside\n");
        QCOMPARE(captureValue(text, QStringLiteral("Chip:")), std::nullopt);
        QCOMPARE(captureValue(QString(), QStringLiteral("Chip:")), std::nullopt);
    }

    void firstMatchingLineWins()
    {
        const QString text = QStringLiteral("\n\n\tModel Name:\tMacBook Air \t\nModel Name: iMac\n");
        QCOMPARE(captureValue(text, QStringLiteral("Model Name:")),
                 std::optional<QString>(QStringLiteral("MacBook Air")));
    }

    void everyOccurrenceOfThePrefixIsRemoved()
    {
        QCOMPARE(captureValue(QStringLiteral("Chip: A Chip: B"), QStringLiteral("Chip:")),
                 std::optional<QString>(QStringLiteral("A  B")));
    }

    void carriageReturnIsNotTrimmed()
    {
        QCOMPARE(captureValue(QStringLiteral("Chip: M1\r\n"), QStringLiteral("Chip:")),
                 std::optional<QString>(QStringLiteral("M1\r")));
    }

    void lineWithOnlyThePrefixGivesEmptyValue()
    {
        QCOMPARE(captureValue(QStringLiteral("  Chip:   \n"), QStringLiteral("Chip:")),
                 std::optional<QString>(QString()));
    }
};

QTEST_GUILESS_MAIN(CaptureValueTest)
#include "tst_capturevalue.moc"
