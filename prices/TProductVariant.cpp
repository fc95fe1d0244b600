#include "TProductVariant.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
const QList<int> kStorage {16, 32, 64, 128, 256, 512, 1024};
const QList<int> kMemory {1, 2, 3, 4, 6, 8, 10, 12, 16, 18, 24, 32};

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

int chineseDigit(QChar c)
{
    const int at = int(QStringLiteral("一二三四五六七八九").indexOf(c));
    if (c == QChar(0x4E24)) // 两
        return 2;
    return at >= 0 ? at + 1 : (c.isDigit() ? c.digitValue() : 0);
}
} // namespace

QStringList TProductVariant::Read(QString &text)
{
    static const QRegularExpression memory(QStringLiteral(
        "(?<![\\d.])(\\d{1,2})\\s*(?:gb|g)?\\s*(?:\\+|/)\\s*(\\d{1,4})\\s*(gb|g|tb|t)?(?![a-z\\d])"
        "|(?<![\\d.])(\\d{1,2})\\s*(?:gb|g)(?:运存|内存)?\\s+(\\d{2,4})\\s*(gb|g)(?![a-z\\d])"));
    static const QRegularExpression measure(QStringLiteral(
        "(?<![\\d.a-z])(\\d+(?:\\.\\d+)?)\\s*(gb|tb|英寸|寸|吋|inch|\"|匹|段|kg|千克|公斤|克|g|t|ml|毫升|升|l|罐|盒|袋|瓶|听|支|箱)"
        "(?![a-z])|([一二三四])段|([两二三四五六])(?:罐|瓶|盒|袋|支|箱)|(?<=[g克l罐盒袋瓶装])\\s*[x×*]\\s*(\\d{1,2})(?![\\d.])"));
    int ram = 0, rom = 0; // rom in GB
    QString size, horse, stage, weight, volume, pack;
    auto blank = [&](const QRegularExpressionMatch &m) {
        for (qsizetype i = m.capturedStart(); i < m.capturedEnd(); ++i)
            text[i] = QLatin1Char(' ');
    };
    for (auto it = memory.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool plus = m.capturedLength(1) > 0;
        const int r = m.captured(plus ? 1 : 4).toInt();
        int s = m.captured(plus ? 2 : 5).toInt();
        if (m.captured(plus ? 3 : 6).startsWith(QLatin1Char('t')))
            s *= 1024;
        if (!kMemory.contains(r) || !kStorage.contains(s) || s <= r || ram)
            continue;
        ram = r;
        rom = s;
        blank(m);
    }
    QList<int> loneSizes; // GB figures on their own: memory or storage
    for (auto it = measure.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength(3)) {
            stage = QString::number(chineseDigit(m.captured(3).at(0))) + QStringLiteral("段");
            blank(m);
            continue;
        }
        if (m.capturedLength(4)) {
            pack = QStringLiteral("x") + QString::number(qMax(2, chineseDigit(m.captured(4).at(0))));
            blank(m);
            continue;
        }
        if (m.capturedLength(5)) {
            if (m.captured(5).toInt() > 1)
                pack = QStringLiteral("x") + m.captured(5);
            blank(m);
            continue;
        }
        const double value = m.captured(1).toDouble();
        const QString unit = m.captured(2);
        const auto is = [&unit](std::initializer_list<QStringView> names) {
            return std::find(names.begin(), names.end(), QStringView(unit)) != names.end();
        };
        const int whole = int(value);
        const bool wholeNumber = whole == value;
        bool used = true;
        if (is({u"g"}) && (whole == 5 || whole == 4) && wholeNumber) {
            used = false; // 5G, 4G: the network
        } else if (is({u"gb"}) || (is({u"g"}) && wholeNumber && (kStorage.contains(whole) || kMemory.contains(whole)))) {
            loneSizes.append(whole);
        } else if (is({u"tb", u"t"})) {
            used = whole >= 1 && whole <= 4 && wholeNumber;
            if (used)
                loneSizes.append(whole * 1024);
        } else if (is({u"英寸", u"寸", u"吋", u"inch", u"\""})) {
            used = value >= 10 && value <= 150;
            if (used)
                size = numberText(value) + QStringLiteral("英寸");
        } else if (is({u"匹"})) {
            horse = numberText(value) + QStringLiteral("匹");
        } else if (is({u"段"})) {
            used = value >= 1 && value <= 4;
            if (used)
                stage = numberText(value) + QStringLiteral("段");
        } else if (is({u"kg", u"千克", u"公斤"})) {
            weight = numberText(value * 1000) + QLatin1Char('g');
        } else if (is({u"克", u"g"})) {
            used = value >= 20;
            if (used)
                weight = numberText(value) + QLatin1Char('g');
        } else if (is({u"ml", u"毫升"})) {
            volume = numberText(value) + QStringLiteral("ml");
        } else if (is({u"升", u"l"})) {
            volume = numberText(value * 1000) + QStringLiteral("ml");
        } else {
            used = whole > 1 && wholeNumber && whole <= 48; // 6罐, 2盒
            if (used)
                pack = QStringLiteral("x") + QString::number(whole);
        }
        if (used)
            blank(m);
    }
    if (!ram) {
        std::sort(loneSizes.begin(), loneSizes.end());
        if (loneSizes.size() >= 2 && kMemory.contains(loneSizes.first()) && loneSizes.last() > loneSizes.first()) {
            ram = loneSizes.first();
            rom = loneSizes.last();
        } else if (!loneSizes.isEmpty() && kStorage.contains(loneSizes.last()) && loneSizes.last() >= 32) {
            rom = loneSizes.last();
        }
    }
    QStringList measures;
    const auto romText = [](int gb) { return gb >= 1024 ? QString::number(gb / 1024) + QLatin1Char('t') : QString::number(gb); };
    if (ram)
        measures.append(QString::number(ram) + QLatin1Char('+') + romText(rom));
    else if (rom)
        measures.append(romText(rom));
    for (const QString &part : {size, horse, stage, weight, volume, pack}) {
        if (!part.isEmpty())
            measures.append(part);
    }
    return measures;
}

void TProductVariant::SeparateMemory(QString &text)
{
    static const QRegularExpression glued(QStringLiteral(
        "(?<![a-z0-9])([a-z]{1,8}\\d{0,3}?)(1[0-8]|24|[2-9])(gb|g)(?=\\s*[+/]?\\s*\\d{2,4}\\s*(?:gb|g|tb|t)(?![a-z]))"));
    text.replace(glued, QStringLiteral("\\1 \\2\\3"));
}

QSet<QString> TProductVariant::Measures(const QStringList &variant)
{
    QSet<QString> set;
    for (const QString &part : variant) {
        const qsizetype plus = part.indexOf(QLatin1Char('+'));
        if (plus > 0) {
            set.insert(QStringLiteral("ram ") + part.left(plus));
            set.insert(QStringLiteral("rom ") + part.mid(plus + 1));
        } else if (part.at(0).isDigit() && (part.back().isDigit() || part.endsWith(QLatin1Char('t')))) {
            set.insert(QStringLiteral("rom ") + part);
        } else {
            set.insert(part);
        }
    }
    return set;
}
