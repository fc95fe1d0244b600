#include "FuzzSupport.h"

#include "U_Pub.h"

#include <QStringList>

FuzzInput splitFormByte(const uint8_t *data, size_t size)
{
    FuzzInput input;
    if (size == 0)
        return input;
    switch (data[0]) {
    case 'g': input.form = TextForm::Gbk; break;
    case 'w': input.form = TextForm::Utf16; break;
    default: input.form = TextForm::Utf8; break;
    }
    input.bytes = QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    return input;
}

QString decodeText(TextForm form, const QByteArray &bytes)
{
    switch (form) {
    case TextForm::Gbk:
        return FromGbk(bytes);
    case TextForm::Utf16: {
        QString text(bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const auto low = static_cast<uint8_t>(bytes.at(2 * i));
            const auto high = static_cast<uint8_t>(bytes.at(2 * i + 1));
            text[i] = QChar(char16_t(low | (high << 8)));
        }
        return text;
    }
    case TextForm::Utf8:
        break;
    }
    return QString::fromUtf8(bytes);
}

QStringList referenceLines(const QString &text)
{
    QStringList lines;
    QString current;
    bool open = false; // whether `current` has begun (a line may be empty yet present)
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0)
            break;
        if (c == u'\r' || c == u'\n') {
            lines.append(current);
            current.clear();
            open = false;
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1).unicode() == u'\n')
                ++i;
            continue;
        }
        current.append(QChar(c));
        open = true;
    }
    if (open)
        lines.append(current);
    return lines;
}

QString referenceTrim(const QString &text)
{
    qsizetype first = 0;
    while (first < text.size() && text.at(first).unicode() <= 0x20)
        ++first;
    qsizetype last = text.size();
    while (last > first && text.at(last - 1).unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

bool isLoneSurrogate(const QString &text, qsizetype index)
{
    const QChar c = text.at(index);
    if (c.isHighSurrogate())
        return index + 1 >= text.size() || !text.at(index + 1).isLowSurrogate();
    if (c.isLowSurrogate())
        return index == 0 || !text.at(index - 1).isHighSurrogate();
    return false;
}

std::optional<QList<QStringList>> readCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false, wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += c, ++i;
            else
                quoted = false;
        } else if (c == QLatin1Char('"')) {
            if (!field.isEmpty() || wasQuoted)
                return std::nullopt; // a quote inside an unquoted field
            quoted = wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field, field.clear(), wasQuoted = false;
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            record << field, field.clear(), wasQuoted = false;
            records << record, record.clear();
            ++i;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || wasQuoted) {
            return std::nullopt; // a bare line break, or text after a closing quote
        } else {
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !record.isEmpty())
        return std::nullopt; // every record ends in CR LF
    return records;
}
