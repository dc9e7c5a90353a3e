#include "store/HistoryLineScanner.h"


#include <array>
#include <cmath>

namespace launcher {

namespace {

class QuickLineScanner {
public:
    explicit QuickLineScanner(QByteArrayView line) : p_(line.data()), end_(line.data() + line.size()) {}

    ScanOutcome scan(ScannedHistoryLine& out)
    {
        skipWhitespace();
        if (!take('{'))
            return ScanOutcome::unsure;
        skipWhitespace();
        if (p_ < end_ && *p_ == '}')
            return ScanOutcome::unsure;

        enum Member { at, mode, action, note, count };
        bool seen[count] = {};
        bool typesMatch = true;
        ScannedText modeText;

        while (true) {
            ScannedText key;
            if (p_ == end_ || *p_ != '"' || !string(key))
                return ScanOutcome::unsure;
            skipWhitespace();
            if (!take(':'))
                return ScanOutcome::unsure;
            skipWhitespace();
            if (p_ == end_)
                return ScanOutcome::unsure;

            int member = -1;
            const QByteArrayView k = key.view();
            if (k == "at")
                member = at;
            else if (k == "mode")
                member = mode;
            else if (k == "action")
                member = action;
            else if (k == "note")
                member = note;
            if (member >= 0) {
                if (seen[member])
                    return ScanOutcome::unsure;
                seen[member] = true;
            }

            const char c = *p_;
            if (c == '"') {
                ScannedText value;
                if (!string(value))
                    return ScanOutcome::unsure;
                if (member == at)
                    typesMatch = false;
                else if (member == mode)
                    modeText = std::move(value);
                else if (member == action)
                    out.action = std::move(value);
                else if (member == note)
                    out.note = std::move(value);
            } else if (c == '-' || isDigit(c)) {
                double value = 0;
                if (!number(value))
                    return ScanOutcome::unsure;
                if (member == at)
                    out.at = value;
                else if (member >= 0)
                    typesMatch = false;
            } else if (literal("true") || literal("false") || literal("null")) {
                if (member >= 0)
                    typesMatch = false;
            } else {
                return ScanOutcome::unsure;
            }

            skipWhitespace();
            if (take(','))
                skipWhitespace();
            else if (take('}'))
                break;
            else
                return ScanOutcome::unsure;
        }
        skipWhitespace();
        if (p_ != end_)
            return ScanOutcome::unsure;

        if (!typesMatch || !seen[at] || !seen[mode] || !seen[action] || !seen[note])
            return ScanOutcome::notAnEntry;
        static const std::array<QByteArray, allAwakeModes.size()> rawModes = [] {
            std::array<QByteArray, allAwakeModes.size()> raws;
            for (size_t i = 0; i < raws.size(); ++i)
                raws[i] = rawValue(allAwakeModes[i]).toUtf8();
            return raws;
        }();
        for (size_t i = 0; i < rawModes.size(); ++i) {
            if (modeText.view() == QByteArrayView(rawModes[i])) {
                out.mode = allAwakeModes[i];
                return ScanOutcome::entry;
            }
        }
        return ScanOutcome::notAnEntry;
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    void skipWhitespace()
    {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n'))
            ++p_;
    }

    bool take(char c)
    {
        if (p_ == end_ || *p_ != c)
            return false;
        ++p_;
        return true;
    }

    bool literal(QByteArrayView word)
    {
        if (end_ - p_ < word.size() || QByteArrayView(p_, word.size()) != word)
            return false;
        p_ += word.size();
        return true;
    }

    // At the opening quote. False when the string needs the general parser.
    bool string(ScannedText& out)
    {
        ++p_;
        // The general parser drops a leading U+FEFF from some strings and
        // keeps it in others; it alone decides.
        if (QByteArrayView(p_, end_ - p_).startsWith("\xEF\xBB\xBF"))
            return false;
        const char* start = p_;
        while (p_ < end_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                if (out.escaped)
                    out.decoded.append(start, p_ - start);
                else
                    out.raw = QByteArrayView(start, p_ - start);
                ++p_;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c != '\\') {
                ++p_;
                continue;
            }
            out.escaped = true;
            out.decoded.append(start, p_ - start);
            if (++p_ == end_)
                return false;
            switch (*p_) {
            case '"': out.decoded.append('"'); break;
            case '\\': out.decoded.append('\\'); break;
            case '/': out.decoded.append('/'); break;
            case 'b': out.decoded.append('\b'); break;
            case 'f': out.decoded.append('\f'); break;
            case 'n': out.decoded.append('\n'); break;
            case 'r': out.decoded.append('\r'); break;
            case 't': out.decoded.append('\t'); break;
            default: return false; // \u and anything invalid
            }
            start = ++p_;
        }
        return false;
    }

    // A number in strict JSON form that converts to a finite double.
    bool number(double& out)
    {
        const char* start = p_;
        take('-');
        if (take('0')) {
        } else if (p_ < end_ && isDigit(*p_)) {
            while (p_ < end_ && isDigit(*p_))
                ++p_;
        } else {
            return false;
        }
        if (take('.')) {
            if (p_ == end_ || !isDigit(*p_))
                return false;
            while (p_ < end_ && isDigit(*p_))
                ++p_;
        }
        if (take('e') || take('E')) {
            if (!take('+'))
                take('-');
            if (p_ == end_ || !isDigit(*p_))
                return false;
            while (p_ < end_ && isDigit(*p_))
                ++p_;
        }
        // Qt's conversion ignores the locale, and unlike std::from_chars
        // for double it is there in every standard library.
        bool ok = false;
        out = QByteArrayView(start, p_ - start).toDouble(&ok);
        return ok && std::isfinite(out);
    }

    const char* p_;
    const char* end_;
};

} // namespace

ScanOutcome scanHistoryLine(QByteArrayView line, ScannedHistoryLine& out)
{
    return QuickLineScanner(line).scan(out);
}

} // namespace launcher
