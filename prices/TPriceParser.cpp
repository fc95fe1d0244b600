#include "TPriceParser.h"

#include "U_Pub.h"

namespace {

// Full-width digits and signs read as their ASCII forms; nothing else changes.
QString Narrowed(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) // full-width ASCII block
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = QLatin1Char(' ');
        else if (u == 0x2212) // minus sign
            c = QLatin1Char('-');
    }
    return out;
}

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool IsBlank(QChar c)
{
    return c.unicode() <= 0x20 || c.unicode() == 0xA0;
}

// Where the currency mark that comes first ends; -1 when there is none.
qsizetype AfterCurrencyMark(const QString &text)
{
    qsizetype best = -1;
    qsizetype bestStart = text.size();
    const auto consider = [&](qsizetype at, qsizetype length) {
        if (at >= 0 && at < bestStart) {
            bestStart = at;
            best = at + length;
        }
    };
    consider(text.indexOf(QChar(0x00A5)), 1); // ¥ (and ￥ once narrowed)
    consider(text.indexOf(QLatin1String("RMB"), 0, Qt::CaseInsensitive), 3);
    consider(text.indexOf(QLatin1String("CNY"), 0, Qt::CaseInsensitive), 3);
    return best;
}

struct Number
{
    qsizetype start = -1; // first digit
    qsizetype end = -1; // after the number and its 万
    std::optional<qint64> fen;
};

// The number whose first digit is at or after `from`.
Number ReadNumber(const QString &text, qsizetype from)
{
    Number n;
    qsizetype i = from;
    while (i < text.size() && !IsDigit(text.at(i)))
        ++i;
    if (i >= text.size())
        return n;
    n.start = i;

    QString whole;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (IsDigit(c)) {
            whole += c;
            ++i;
        } else if (c == QLatin1Char(',') && i + 3 < text.size() && IsDigit(text.at(i + 1))
            && IsDigit(text.at(i + 2)) && IsDigit(text.at(i + 3))
            && (i + 4 >= text.size() || !IsDigit(text.at(i + 4)))) {
            ++i; // a thousands separator: exactly three digits follow
        } else {
            break;
        }
    }
    QString fraction;
    if (i + 1 < text.size() && text.at(i) == QLatin1Char('.') && IsDigit(text.at(i + 1))) {
        ++i;
        while (i < text.size() && IsDigit(text.at(i)))
            fraction += text.at(i++);
    }
    // Exponent notation ("1e21", "1e-7") is no way shops write prices: no price at all, rather
    // than the digits before the "e".
    if (i + 1 < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype exponent = i + 1;
        if (text.at(exponent) == QLatin1Char('+') || text.at(exponent) == QLatin1Char('-'))
            ++exponent;
        if (exponent < text.size() && IsDigit(text.at(exponent))) {
            n.end = exponent;
            return n;
        }
    }
    qsizetype after = i;
    while (after < text.size() && IsBlank(text.at(after)))
        ++after;
    const bool tenThousands = after < text.size() && text.at(after) == QChar(0x4E07); // 万
    n.end = tenThousands ? after + 1 : i;

    // Leading zeros say nothing; more than 12 digits is beyond any price anyway (and keeps the
    // sum below in range).
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.size() > 12)
        return n;
    // Work in ten-thousandths of a fen's yuan: 万 moves the point four places.
    fraction = fraction.left(8);
    const int shift = tenThousands ? 4 : 0;
    QString digits = whole + fraction.leftJustified(8, QLatin1Char('0'));
    // digits now holds the amount in units of 10^-8 yuan; take fen (10^-2) with rounding.
    const qsizetype cut = digits.size() - 6 + shift;
    qint64 value = 0;
    for (qsizetype k = 0; k < cut && k < digits.size(); ++k)
        value = value * 10 + (digits.at(k).unicode() - '0');
    for (qsizetype k = digits.size(); k < cut; ++k)
        value *= 10;
    if (cut >= 0 && cut < digits.size() && digits.at(cut) >= QLatin1Char('5'))
        ++value;
    n.fen = value;
    return n;
}

// A minus sign stands before the number, with nothing but blanks and a currency mark between.
bool IsNegative(const QString &text, qsizetype numberStart)
{
    qsizetype i = numberStart - 1;
    while (i >= 0) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('-'))
            return true;
        if (IsBlank(c) || c == QChar(0x00A5)) {
            --i;
            continue;
        }
        if (i >= 2
            && (SameText(text.mid(i - 2, 3), QLatin1String("RMB"))
                || SameText(text.mid(i - 2, 3), QLatin1String("CNY")))) {
            i -= 3;
            continue;
        }
        return false;
    }
    return false;
}

} // namespace

std::optional<qint64> ParsePriceFen(const QString &rawText)
{
    const QString text = Narrowed(rawText);
    Number number;
    const qsizetype mark = AfterCurrencyMark(text);
    if (mark >= 0) {
        number = ReadNumber(text, mark);
    } else {
        // The number that "元" follows, else the first one. In a range "99-199元" the 元
        // belongs to both ends, and the low end counts.
        number = ReadNumber(text, 0);
        Number rangeStart;
        for (Number n = number; n.start >= 0; n = ReadNumber(text, n.end)) {
            if (rangeStart.start < 0)
                rangeStart = n;
            qsizetype after = n.end;
            while (after < text.size() && IsBlank(text.at(after)))
                ++after;
            const QChar next = after < text.size() ? text.at(after) : QChar();
            if (next == QChar(0x5143)) { // 元
                number = rangeStart;
                break;
            }
            if (next != QLatin1Char('-') && next != QLatin1Char('~') && next != QChar(0x81F3)) // 至
                rangeStart = Number();
        }
    }
    if (number.start < 0 || !number.fen || IsNegative(text, number.start))
        return std::nullopt;
    const qint64 fen = *number.fen;
    if (fen <= 0 || fen > kMaxPriceFen)
        return std::nullopt;
    return fen;
}

QString PriceText(qint64 fen)
{
    QString text = QString::number(fen / 100);
    const qint64 rest = fen % 100;
    if (rest != 0) {
        text += QLatin1Char('.') + QString::number(rest).rightJustified(2, QLatin1Char('0'));
        if (text.endsWith(QLatin1Char('0')))
            text.chop(1);
    }
    return text;
}
