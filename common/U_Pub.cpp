#include "U_Pub.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// GB18030 reads and writes every GBK byte sequence the same way and also holds the
// characters GBK lacks, so it is the one codec the program uses for its "GBK" text.
constexpr const char *kGbkCodec = "GB18030";

QString findEntryCaseInsensitive(const QString &dirPath, const QString &wanted, QDir::Filters filters)
{
    const QDir dir(dirPath);
    const QStringList entries = dir.entryList(filters);
    for (const QString &entry : entries) {
        if (SameText(entry, wanted))
            return dir.filePath(entry);
    }
    return QString();
}

} // namespace

void TTextList::setText(const QString &text)
{
    m_lines.clear();
    const qsizetype end = [&] {
        const qsizetype nul = text.indexOf(QChar(0));
        return nul < 0 ? text.size() : nul;
    }();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < end) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            m_lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < end && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < end)
        m_lines.append(text.mid(start, end - start));
}

QString TTextList::text() const
{
    QString result;
    for (const QString &line : m_lines) {
        result += line;
        result += QLatin1String("\r\n");
    }
    return result;
}

QString TTextList::name(int index) const
{
    const QString &line = m_lines.at(index);
    const qsizetype p = line.indexOf(m_separator);
    return p < 0 ? QString() : line.left(p);
}

QString TTextList::valueFromIndex(int index) const
{
    const QString &line = m_lines.at(index);
    const qsizetype p = line.indexOf(m_separator);
    return p < 0 ? QString() : line.mid(p + 1);
}

QString TTextList::value(const QString &name) const
{
    for (const QString &line : m_lines) {
        const qsizetype p = line.indexOf(m_separator);
        if (p >= 0 && SameText(QStringView(line).left(p), name))
            return line.mid(p + 1);
    }
    return QString();
}

QString LoadTextResource(const QString &name, const QString &type)
{
    if (name.isEmpty() || type.isEmpty())
        return QString();
    const QString typeDir = findEntryCaseInsensitive(QStringLiteral(":/"), type, QDir::Dirs);
    if (typeDir.isEmpty())
        return QString();
    const QString path = findEntryCaseInsensitive(typeDir, name, QDir::Files);
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    TTextList list;
    list.setText(FromGbk(file.readAll()));
    return list.text();
}

QString ReplaceAll(const QString &source, const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return source;
    QString result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = source.indexOf(find, from, Qt::CaseSensitive);
        if (p < 0)
            break;
        result += QStringView(source).mid(from, p - from);
        result += replacement;
        from = p + find.size();
    }
    result += QStringView(source).mid(from);
    return result;
}

void SplitSelection(const QString &selection, TTextList &list)
{
    list.setText(ReplaceAll(selection, QStringLiteral(";"), QStringLiteral("\n")));
}

QByteArray ToGbk(const QString &text)
{
    QStringEncoder encoder(kGbkCodec);
    if (!encoder.isValid())
        return text.toLocal8Bit();
    return encoder.encode(text);
}

QString FromGbk(const QByteArray &bytes)
{
    QStringDecoder decoder(kGbkCodec);
    if (!decoder.isValid())
        return QString::fromLocal8Bit(bytes);
    return decoder.decode(bytes);
}

QString UrlFormEncode(const QByteArray &bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == 0)
            break;
        const bool safe = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')
            || b == '!' || b == '$' || b == '\'' || b == '(' || b == ')' || b == '*' || b == '-'
            || b == '.' || b == '@' || b == '_';
        if (safe) {
            out += QLatin1Char(char(b));
        } else if (b == ' ') {
            out += QLatin1Char('+');
        } else {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[b >> 4]);
            out += QLatin1Char(hex[b & 0x0F]);
        }
    }
    return out;
}

QString EscapeAddressStructure(const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const bool escaped = c < 0x20 || c == 0x7F || c == ' ' || c == '&' || c == '#' || c == '+' || c == '%'
            || c == '?' || c == '=' || c == '"' || c == '<' || c == '>' || c == '`';
        if (escaped) {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 0x0F]);
        } else {
            out += ch;
        }
    }
    return out;
}

QString ExpandSearchUrl(const QString &urlTemplate, const QString &keyword)
{
    QString url = ReplaceAll(urlTemplate, QStringLiteral("{?kg}"), UrlFormEncode(ToGbk(keyword)));
    url = ReplaceAll(url, QStringLiteral("{?ku}"), UrlFormEncode(keyword.toUtf8()));
    return ReplaceAll(url, QStringLiteral("{?kc}"), EscapeAddressStructure(keyword));
}

QString TrimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

bool IsRegularFileOrNew(const QString &path)
{
    const QFileInfo info(path);
    // A dangling link counts as taken: writing would put a file where it points.
    return !path.isEmpty() && (info.exists() ? info.isFile() : !info.isSymLink());
}

bool WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    return WriteFileAtomically(path, [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); });
}

bool WriteFileAtomically(const QString &path, const std::function<bool(QIODevice &file)> &write)
{
    if (!IsRegularFileOrNew(path) || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    // commit() misses a failure of its own final flush and then puts a short file in place of
    // the old one (seen with Qt 6.4.2), so the bytes are flushed and checked before it.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file) || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
