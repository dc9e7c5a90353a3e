#include "store/CaptureValue.h"

#include <QStringView>

namespace launcher {

namespace {

// Only spaces and tabs: a carriage return is part of the value.
QStringView trimmedOfSpacesAndTabs(QStringView text)
{
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace

std::optional<QString> captureValue(const QString& text, const QString& prefix)
{
    for (QStringView line : QStringView(text).tokenize(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringView trimmed = trimmedOfSpacesAndTabs(line);
        if (!trimmed.startsWith(prefix))
            continue;
        QString value = trimmed.toString();
        if (!prefix.isEmpty())
            value.remove(prefix);
        return trimmedOfSpacesAndTabs(value).toString();
    }
    return std::nullopt;
}

} // namespace launcher
