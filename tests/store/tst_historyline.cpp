#include "store/HistoryLog.h"
#include "store/HistorySessions.h"

#include <QtTest>

using namespace launcher;

namespace {

// Our own lines, near misses and JSON written by someone else.
void addCorpusRows()
{
    QTest::addColumn<QByteArray>("line");
    const auto row = [](const char* name, const QByteArray& line) { QTest::newRow(name) << line; };
    row("ours", encodeHistoryLine({1733400000.25, AwakeMode::forced, "enable", "进入强制挂机"}).chopped(1));
    row("members reordered", R"({"note":"n","action":"disable","mode":"off","at":12})");
    row("spaces everywhere", " \t{ \"at\" : 1.5e3 , \"mode\" :\"normal\",\"action\":\"enable\", \"note\":\"\" }\r ");
    row("simple escapes", "{\"at\":1,\"mode\":\"normal\",\"action\":\"enable\",\"note\":\"a\\\"b\\\\c\\/d\\n\\t\\r\\b\\f\"}");
    row("escaped key", R"({"\u0061t":1,"mode":"normal","action":"enable","note":""})");
    row("unicode escape in note", R"({"at":1,"mode":"normal","action":"enable","note":"\u6062\ud83d\ude00"})");
    row("lone surrogate", R"({"at":1,"mode":"normal","action":"enable","note":"\ud800"})");
    row("repeated member", R"({"at":1,"at":2,"mode":"normal","action":"enable","note":""})");
    row("repeated member of another type first", R"({"at":"x","at":2,"mode":"normal","action":"enable","note":""})");
    row("repeated member of another type last", R"({"at":2,"at":"x","mode":"normal","action":"enable","note":""})");
    row("extra members of every kind",
        R"({"at":1,"mode":"normal","action":"enable","note":"","x":[1,{"y":null}],"t":true,"f":false,"n":null})");
    row("nested object value", R"({"at":{"v":1},"mode":"normal","action":"enable","note":""})");
    row("at as string", R"({"at":"1","mode":"normal","action":"enable","note":""})");
    row("at null", R"({"at":null,"mode":"normal","action":"enable","note":""})");
    row("note as number", R"({"at":1,"mode":"normal","action":"enable","note":5})");
    row("missing note", R"({"at":1,"mode":"normal","action":"enable"})");
    row("unknown mode", R"({"at":1,"mode":"Normal","action":"enable","note":""})");
    row("negative and exponent", R"({"at":-0.5E-2,"mode":"off","action":"disable","note":""})");
    row("huge integer", R"({"at":123456789012345678901234567890,"mode":"off","action":"x","note":""})");
    row("overflowing number", R"({"at":1e400,"mode":"off","action":"x","note":""})");
    row("leading zero", R"({"at":01,"mode":"off","action":"x","note":""})");
    row("leading plus", R"({"at":+1,"mode":"off","action":"x","note":""})");
    row("bare dot", R"({"at":1.,"mode":"off","action":"x","note":""})");
    row("trailing comma", R"({"at":1,"mode":"off","action":"x","note":"",})");
    row("missing colon", R"({"at" 1,"mode":"off","action":"x","note":""})");
    row("garbage after object", R"({"at":1,"mode":"off","action":"x","note":""} x)");
    row("unterminated string", R"({"at":1,"mode":"off","action":"x","note":"abc)");
    row("raw tab in string", "{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"a\tb\"}");
    row("bad escape", R"({"at":1,"mode":"off","action":"x","note":"\q"})");
    row("empty object", "{}");
    row("array", R"([{"at":1,"mode":"off","action":"x","note":""}])");
    row("misspelt literal", R"({"at":1,"mode":"off","action":"x","note":"","t":tru})");
    row("byte order mark opening the note", "{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"\xEF\xBB\xBFn\"}");
    row("byte order mark opening an escaped action",
        "{\"at\":1,\"mode\":\"off\",\"action\":\"\xEF\xBB\xBF\\tx\",\"note\":\"\"}");
    row("byte order mark opening a key", "{\"\xEF\xBB\xBF" "at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"\"}");
    row("byte order mark", "\xEF\xBB\xBF{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"\"}");
    row("invalid utf-8 in note", "{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"\xC3\x28\"}");
    row("nul byte", QByteArray("{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"a\0b\"}", 46));
}

} // namespace

class HistoryLineTest : public QObject {
    Q_OBJECT
private slots:
    // The quick reader and the general JSON parser must agree on every line.
    void quickPathAgreesWithJsonDocument_data() { addCorpusRows(); }

    void quickPathAgreesWithJsonDocument()
    {
        QFETCH(QByteArray, line);
        const auto entry = parseHistoryLineWithJsonDocument(line);
        QCOMPARE(parseHistoryLine(line), entry);
        // The sessions' reader skips the note but must accept the same lines.
        QCOMPARE(parseLoggedEvent(line), entry ? std::optional(loggedEvent(*entry)) : std::nullopt);
    }

    void ourLinesRoundTrip()
    {
        const HistoryEntry entry{1733400000.123456, AwakeMode::normal, "disable", "恢复正常模式；节省 \"1.2 Wh\"\\"};
        QCOMPARE(parseHistoryLine(encodeHistoryLine(entry).chopped(1)), std::optional<HistoryEntry>(entry));
    }
};

QTEST_GUILESS_MAIN(HistoryLineTest)
#include "tst_historyline.moc"
