#include "TProductTitle.h"

#include "TProductVariant.h"

#include <QSet>

#include <algorithm>

namespace {
bool isHan(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF);
}

bool isLetter(QChar c)
{
    return c >= QLatin1Char('a') && c <= QLatin1Char('z');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Brackets that shops put promotions in; other brackets only separate words.
const QString kOpen = QStringLiteral("【[「『〔〖<《");
const QString kClose = QStringLiteral("】]」』〕〗>》");
const QStringList kPromotion {QStringLiteral("省"), QStringLiteral("减"), QStringLiteral("满"), QStringLiteral("返"),
    QStringLiteral("惠"), QStringLiteral("礼"), QStringLiteral("促"), QStringLiteral("预售"), QStringLiteral("首发"),
    QStringLiteral("国补"), QStringLiteral("券"), QStringLiteral("元"), QStringLiteral("%"), QStringLiteral("折"),
    QStringLiteral("抢"), QStringLiteral("补贴"), QStringLiteral("直降"), QStringLiteral("秒杀"),
    QStringLiteral("热销"), QStringLiteral("爆款"), QStringLiteral("送"), QStringLiteral("赠"), QStringLiteral("限时"),
    QStringLiteral("新品"), QStringLiteral("官方"), QStringLiteral("正品"), QStringLiteral("包邮"),
    QStringLiteral("现货"), QStringLiteral("旗舰"), QStringLiteral("自营"), QStringLiteral("活动"),
    QStringLiteral("优惠"), QStringLiteral("免息"), QStringLiteral("分期"), QStringLiteral("特价")};

// Words that follow a model number and make another model of it.
const QStringList kSuffixes {QStringLiteral("pro"), QStringLiteral("max"), QStringLiteral("plus"),
    QStringLiteral("ultra"), QStringLiteral("lite"), QStringLiteral("mini"), QStringLiteral("se"), QStringLiteral("fe"),
    QStringLiteral("neo"), QStringLiteral("turbo"), QStringLiteral("air")};
// Editions ("青春版") that make another model, and those that do not.
const QStringList kSameEditions {QStringLiteral("国行"), QStringLiteral("全网"), QStringLiteral("官方"),
    QStringLiteral("中国"), QStringLiteral("公开"), QStringLiteral("标准"), QStringLiteral("港版"), QStringLiteral("网通"),
    QStringLiteral("移动"), QStringLiteral("联通"), QStringLiteral("电信"), QStringLiteral("通用"), QStringLiteral("升级")};

int chineseDigit(QChar c)
{
    const int at = int(QStringLiteral("一二三四五六七八九").indexOf(c));
    return at >= 0 ? at + 1 : (isDigit(c) ? c.digitValue() : 0);
}
} // namespace

QString TTitleReading::Name() const
{
    QStringList words;
    if (!Brand.isEmpty())
        words.append(Brand.at(0).isLetter() && Brand.at(0).unicode() < 128 ? Brand.left(1).toUpper() + Brand.mid(1)
                                                                            : Brand);
    for (const QString &word : Model.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        qsizetype letters = 0;
        while (letters < word.size() && isLetter(word.at(letters)))
            ++letters;
        if (letters > 0 && letters <= 2 && letters < word.size())
            words.append(word.toUpper()); // S12, K30, X3
        else if (word == QLatin1String("mini") || !isLetter(word.at(0)))
            words.append(word.toUpper() == word ? word : word.at(0).isDigit() ? word.toUpper() : word);
        else
            words.append(word.left(1).toUpper() + word.mid(1));
    }
    words += Variant;
    return words.join(QLatin1Char(' '));
}

TProductTitle::TProductTitle(const QString &keyword, const TProductLexicon &lexicon)
    : m_lexicon(lexicon), m_keyword(NormalizedTitle(keyword))
{
    const std::pair<TProductLexicon::Section, int> sections[] = {{TProductLexicon::Accessories, FAccessory},
        {TProductLexicon::Categories, FCategory}, {TProductLexicon::Descriptive, FDescriptive},
        {TProductLexicon::Filler, FFiller}, {TProductLexicon::Brands, FBrand},
        {TProductLexicon::AccessoryMarkers, FMarker}, {TProductLexicon::GiftMarkers, FGift}};
    for (const auto &[section, flag] : sections) {
        for (const QStringList &line : m_lexicon.Lines(section)) {
            for (const QString &word : line) {
                // What the keyword names is the product, never an accessory of it.
                const bool inKeyword = m_keyword.contains(word);
                addWord(word, flag == FAccessory && inKeyword ? FCategory : flag);
            }
        }
    }
    // The keyword's terms: every form of the kinds of goods it names, else its own words.
    const QList<Match> words = findWords(m_keyword);
    for (const Match &m : words) {
        const QString word = m_keyword.mid(m.Pos, m.Len);
        if (m.Flags & (FCategory | FAccessory)) {
            const int line = m_lexicon.LineOf(TProductLexicon::Categories, word);
            m_keywordTerms += line >= 0 ? m_lexicon.Lines(TProductLexicon::Categories).at(line) : QStringList {word};
        }
    }
    if (m_keywordTerms.isEmpty()) {
        for (const QString &word : m_keyword.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!m_lexicon.Contains(TProductLexicon::Filler, word))
                m_keywordTerms.append(word);
        }
    }
    // The keyword's Chinese words say what every title is: they are no series name.
    for (const QString &word : m_keyword.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word.size() >= 2 && std::all_of(word.cbegin(), word.cend(), isHan))
            addWord(word, FDescriptive);
    }
}

void TProductTitle::addWord(const QString &word, int flags)
{
    if (word.isEmpty())
        return;
    QList<QPair<QString, int>> &list = m_words[word.at(0)];
    for (auto &entry : list) {
        if (entry.first == word) {
            entry.second |= flags;
            return;
        }
    }
    const auto at = std::find_if(
        list.begin(), list.end(), [&](const QPair<QString, int> &e) { return e.first.size() < word.size(); });
    list.insert(at, {word, flags});
}

void TProductTitle::addBrand(const QStringList &forms)
{
    m_lexicon.Add(TProductLexicon::Brands, forms);
    for (const QString &form : forms)
        addWord(form, FBrand);
}

QString TProductTitle::BrandName(const QString &form) const
{
    const int line = m_lexicon.LineOf(TProductLexicon::Brands, form);
    if (line < 0)
        return form;
    const QStringList &forms = m_lexicon.Lines(TProductLexicon::Brands).at(line);
    // The Chinese form when there is one: it is the one a shopper here knows.
    for (const QString &f : forms) {
        if (isHan(f.at(0)))
            return f;
    }
    return forms.constFirst();
}

QList<TProductTitle::Match> TProductTitle::findWords(const QString &text, bool leadingOnly) const
{
    QList<Match> found;
    found.reserve(16);
    for (qsizetype pos = 0; pos < text.size();) {
        const auto entries = m_words.constFind(text.at(pos));
        qsizetype length = 0;
        if (entries != m_words.cend()) {
            for (const auto &[word, flags] : *entries) {
                if (QStringView(text).mid(pos, word.size()) != word)
                    continue;
                if (IsLatinWordChar(word.front()) && pos > 0 && IsLatinWordChar(text.at(pos - 1)))
                    continue;
                const qsizetype end = pos + word.size();
                if (IsLatinWordChar(word.back()) && end < text.size() && IsLatinWordChar(text.at(end)))
                    continue;
                found.append({pos, word.size(), flags});
                length = word.size();
                break;
            }
        }
        // Only the shop and promotion words a title starts with, and the word after them.
        if (leadingOnly && ((length > 0 && !(found.constLast().Flags & (FFiller | FDescriptive)))
                || (length == 0 && text.at(pos) != QLatin1Char(' '))))
            break;
        if (length > 0) {
            pos += length;
        } else {
            // A Latin word is matched whole or not at all.
            const bool latin = IsLatinWordChar(text.at(pos));
            ++pos;
            while (latin && pos < text.size() && IsLatinWordChar(text.at(pos)))
                ++pos;
        }
    }
    return found;
}

QString TProductTitle::clean(const QString &normalized) const
{
    QString text = normalized;
    // Promotions in brackets go; the content of other brackets stays, as words of its own.
    for (qsizetype open = 0; open < text.size(); ++open) {
        const qsizetype kind = kOpen.indexOf(text.at(open));
        if (kind < 0)
            continue;
        const qsizetype close = text.indexOf(kClose.at(kind), open + 1);
        if (close < 0) {
            text[open] = QLatin1Char(' ');
            continue;
        }
        const QStringView inside = QStringView(text).mid(open + 1, close - open - 1);
        const bool promotion = std::any_of(kPromotion.cbegin(), kPromotion.cend(),
            [&](const QString &word) { return inside.contains(word); });
        for (qsizetype i = open; i <= close; ++i) {
            if (promotion || i == open || i == close)
                text[i] = QLatin1Char(' ');
        }
        open = close;
    }
    for (QChar &c : text) {
        if (c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char(',') || c == QLatin1Char('|')
            || c == QChar(0x3001) || c == QChar(0x3002) || c == QLatin1Char('!') || c == QLatin1Char(';'))
            c = QLatin1Char(' ');
    }
    // What comes free ("送壳膜", "赠钢化膜") is not what is sold.
    for (const QStringList &line : m_lexicon.Lines(TProductLexicon::GiftMarkers)) {
        for (qsizetype at = text.indexOf(line.constFirst()); at >= 0; at = text.indexOf(line.constFirst(), at + 1)) {
            qsizetype end = at + line.constFirst().size();
            while (end < text.size() && text.at(end) != QLatin1Char(' ') && end < at + line.constFirst().size() + 8)
                ++end;
            for (qsizetype k = at; k < end; ++k)
                text[k] = QLatin1Char(' ');
        }
    }
    TProductVariant::SeparateMemory(text);
    return text;
}

TProductTitle::Prepared TProductTitle::prepare(const QString &cleaned) const
{
    Prepared p;
    const QString &text = cleaned;
    p.Text = text;
    p.Words = findWords(text);
    for (qsizetype i = 0; i < p.Words.size(); ++i) {
        const Match &m = p.Words.at(i);
        if (!(m.Flags & FBrand))
            continue;
        p.Brand = BrandName(text.mid(m.Pos, m.Len));
        // A maker's name followed at once by its line's ("小米 Redmi"): the line is the brand.
        if (i + 1 < p.Words.size() && (p.Words.at(i + 1).Flags & FBrand)
            && text.mid(m.Pos + m.Len, p.Words.at(i + 1).Pos - m.Pos - m.Len).trimmed().isEmpty())
            p.Brand = BrandName(text.mid(p.Words.at(i + 1).Pos, p.Words.at(i + 1).Len));
        break;
    }
    return p;
}

void TProductTitle::decideKind(const Prepared &p, TTitleReading &reading) const
{
    qsizetype marker = -1;
    const Match *head = nullptr;
    const Match *accessoryAfterMarker = nullptr;
    bool accessory = false;
    for (const Match &m : p.Words) {
        if ((m.Flags & FMarker) && marker < 0)
            marker = m.Pos;
        if (m.Flags & FAccessory) {
            accessory = true;
            if (marker >= 0 && m.Pos > marker && !accessoryAfterMarker)
                accessoryAfterMarker = &m;
        }
        if (m.Flags & (FAccessory | FCategory))
            head = &m;
    }
    const bool relevant = std::any_of(m_keywordTerms.cbegin(), m_keywordTerms.cend(),
        [&](const QString &term) { return p.Text.contains(term); });
    if (accessoryAfterMarker || (head && (head->Flags & FAccessory))) {
        const Match *noun = accessoryAfterMarker ? accessoryAfterMarker : head;
        reading.Kind = TOfferKind::Accessory;
        reading.Noun = p.Text.mid(noun->Pos, noun->Len);
        return;
    }
    if (head)
        reading.Noun = p.Text.mid(head->Pos, head->Len);
    reading.MentionsAccessory = accessory;
    if (head && !relevant && !m_keywordTerms.isEmpty())
        reading.Kind = TOfferKind::Unrelated;
}

QString TProductTitle::blanked(const Prepared &p, QString text) const
{
    // Everything the lexicon knows is not the model: brands, nouns, descriptions, fillers.
    for (const Match &m : p.Words) {
        for (qsizetype i = m.Pos; i < m.Pos + m.Len && i < text.size(); ++i)
            text[i] = QLatin1Char(' ');
    }
    // Years, colours and ages ("12-36月龄") are no model numbers.
    static const QRegularExpression years(QStringLiteral(
        "20[12]\\d\\s*(?:年|款|新款)?|[a-z]*色|\\d+\\s*(?:[-~至到]\\s*\\d+\\s*)?(?:个月|月龄|月|岁|周岁)"));
    if (text.contains(QChar(0x8272)) || text.contains(QChar(0x6708)) || text.contains(QChar(0x5C81))
        || text.contains(QLatin1String("20"))) // 色, 月, 岁, a year
        text.replace(years, QStringLiteral(" "));
    for (QChar &c : text) {
        if (c == QLatin1Char('-') || c == QLatin1Char('_') || c == QChar(0xB7) || c == QLatin1Char('/')
            || c == QLatin1Char('.') || c == QLatin1Char(':'))
            c = QLatin1Char(' ');
    }
    return text;
}

QString TProductTitle::readModel(const QString &text, const QStringList &variant) const
{
    static const QRegularExpression measureLike(
        QStringLiteral("^\\d+(?:w|mah|hz|mp|nm|mm|cm|m|h|v|a|p|k|x|ms|万|ppi|fps|wh)$"));
    static const QRegularExpression glued(
        QStringLiteral("^([a-z]*\\d+[a-z]?)((?:") + kSuffixes.join(QLatin1Char('|')) + QStringLiteral(")+)$"));
    struct Token
    {
        QString Text;
        qsizetype Start, End;
    };
    // Runs of Latin letters and digits (a "+" may end one) and runs of Chinese characters.
    QList<Token> tokens;
    for (qsizetype at = 0; at < text.size();) {
        const bool han = isHan(text.at(at));
        if (!han && !isLetter(text.at(at)) && !isDigit(text.at(at))) {
            ++at;
            continue;
        }
        qsizetype end = at + 1;
        while (end < text.size() && (han ? isHan(text.at(end)) : (isLetter(text.at(end)) || isDigit(text.at(end)))))
            ++end;
        if (!han && end < text.size() && text.at(end) == QLatin1Char('+'))
            ++end;
        tokens.append({text.mid(at, end - at), at, end});
        at = end;
    }
    QString size;
    for (const QString &part : variant) {
        if (part.endsWith(QStringLiteral("英寸")))
            size = part.chopped(2);
    }
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        QString core = tokens.at(i).Text;
        if (isHan(core.at(0)) || !std::any_of(core.cbegin(), core.cend(), isDigit) || measureLike.match(core).hasMatch())
            continue;
        bool plus = core.endsWith(QLatin1Char('+'));
        if (plus)
            core.chop(1);
        // A television's model may carry its size: 65V8 of 65 inches is the V8.
        if (!size.isEmpty() && core.startsWith(size) && core.size() > size.size() && isLetter(core.at(size.size())))
            core = core.mid(size.size());
        QStringList words;
        const QRegularExpressionMatch g = glued.match(core);
        QString tail;
        if (g.hasMatch()) {
            core = g.captured(1);
            tail = g.captured(2);
        }
        // Letters and number: "s12", "k30" stay one word, "mate60" is "mate 60".
        qsizetype letters = 0;
        while (letters < core.size() && isLetter(core.at(letters)))
            ++letters;
        const qsizetype digitsEnd = letters;
        if (letters >= 3 && letters < core.size())
            words << core.left(letters) << core.mid(letters);
        else
            words << core;
        Q_UNUSED(digitsEnd)
        // The series word before it: "note 9", "mate 60", or Chinese: "畅享70".
        if (i > 0 && letters == 0) {
            const Token &before = tokens.at(i - 1);
            const bool adjacent = before.End == tokens.at(i).Start;
            const bool near = tokens.at(i).Start - before.End <= 1;
            if (isLetter(before.Text.at(0)) && near && !kSuffixes.contains(before.Text) && before.Text.size() <= 10
                && !before.Text.endsWith(QLatin1Char('+'))) {
                const QString series = before.Text;
                if (series.size() <= 2)
                    words.first().prepend(series);
                else
                    words.prepend(series);
            } else if (isHan(before.Text.at(0)) && adjacent && before.Text.size() >= 2) {
                words.prepend(before.Text.right(qMin<qsizetype>(before.Text.size(), 4)));
            }
        }
        while (!tail.isEmpty()) {
            for (const QString &suffix : kSuffixes) {
                if (tail.startsWith(suffix)) {
                    words.append(suffix);
                    tail = tail.mid(suffix.size());
                    break;
                }
            }
            if (!tail.isEmpty() && !kSuffixes.contains(tail.left(2)) && !kSuffixes.contains(tail.left(3))
                && !kSuffixes.contains(tail.left(4)) && !kSuffixes.contains(tail.left(5)))
                break;
        }
        for (qsizetype j = i + 1; j < tokens.size() && !plus; ++j) {
            QString next = tokens.at(j).Text;
            const bool more = next.endsWith(QLatin1Char('+'));
            if (more)
                next.chop(1);
            if (!kSuffixes.contains(next) || tokens.at(j).Start - tokens.at(j - 1).End > 2)
                break;
            words.append(next);
            plus = more;
        }
        if (plus)
            words.append(QStringLiteral("plus"));
        // An edition or a generation makes another model: 青春版, 二代.
        static const QRegularExpression edition(QStringLiteral("(\\p{Han}{2})版|([2-9二三四五六七八九])代"));
        for (auto it = edition.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch e = it.next();
            if (e.capturedLength(1) && !kSameEditions.contains(e.captured(1)))
                words.append(e.captured(1));
            else if (e.capturedLength(2))
                words.append(QString::number(chineseDigit(e.captured(2).at(0))) + QStringLiteral("代"));
        }
        return words.join(QLatin1Char(' '));
    }
    return {};
}

QStringList TProductTitle::cjkChunks(const QString &text) const
{
    QStringList chunks;
    QString chunk;
    for (const QChar c : text + QLatin1Char(' ')) {
        if (isHan(c)) {
            chunk += c;
            continue;
        }
        if (chunk.size() >= 2 && chunk.size() <= 6)
            chunks.append(chunk);
        chunk.clear();
    }
    return chunks;
}

void TProductTitle::Learn(const QStringList &titles)
{
    // "Xinghu/星弧", "星弧(XINGHU)": one brand in two alphabets.
    static const QRegularExpression pair(QStringLiteral(
        "(\\p{Han}{2,6}|[a-z][a-z0-9]{1,15})\\s*[/(]\\s*(\\p{Han}{2,6}|[a-z][a-z0-9]{1,15})(?![a-z0-9\\p{Han}])"));
    const auto known = [this](const QString &word) {
        const QList<Match> found = findWords(word);
        return std::any_of(found.cbegin(), found.cend(), [&](const Match &m) {
            return m.Len == word.size() && (m.Flags & ~FBrand);
        });
    };
    const auto stripNouns = [this](const QString &run) {
        // The part of a Chinese run before the first word the lexicon knows.
        const QList<Match> found = findWords(run);
        for (const Match &m : found) {
            if (!(m.Flags & FBrand))
                return run.left(m.Pos);
        }
        return run;
    };
    QHash<QString, int> whole, prefix;
    QList<QStringList> pairs;
    QStringList normalized;
    normalized.reserve(titles.size());
    for (const QString &title : titles) {
        normalized.append(NormalizedTitle(title).left(160));
        const QString &text = normalized.constLast();
        const bool slash = text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('('));
        for (auto it = pair.globalMatch(slash ? text : QString()); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            QString a = m.captured(1), b = m.captured(2);
            if (isHan(a.at(0)) == isHan(b.at(0)))
                continue;
            if (isHan(a.at(0)))
                std::swap(a, b); // a Latin, b Chinese
            // A Chinese form is the run's end before the slash: "手机星弧/xinghu".
            const QList<Match> found = findWords(b);
            if (!found.isEmpty() && found.last().Pos + found.last().Len < b.size() && !(found.last().Flags & FBrand))
                b = b.mid(found.last().Pos + found.last().Len);
            if (b.size() >= 2 && !known(a) && !known(b) && !std::any_of(a.cbegin(), a.cend(), isDigit))
                pairs.append({b, a});
        }
        // The title's first word, after promotions and shop words.
        normalized.last() = clean(text);
        Prepared p;
        p.Text = normalized.constLast();
        p.Words = findWords(p.Text, true);
        qsizetype pos = 0;
        for (const Match &m : p.Words) {
            if (m.Pos > pos || !(m.Flags & (FFiller | FDescriptive)))
                break;
            pos = m.Pos + m.Len;
            while (pos < p.Text.size() && p.Text.at(pos) == QLatin1Char(' '))
                ++pos;
        }
        qsizetype end = pos;
        const bool han = pos < p.Text.size() && isHan(p.Text.at(pos));
        while (end < p.Text.size() && (han ? isHan(p.Text.at(end)) : isLetter(p.Text.at(end))))
            ++end;
        QString first = p.Text.mid(pos, end - pos);
        if (first.isEmpty() || (!han && end < p.Text.size() && isDigit(p.Text.at(end))))
            continue;
        if (han) {
            const QString stripped = stripNouns(first);
            if (stripped.size() >= 2 && stripped.size() <= 4 && stripped.size() == first.size())
                whole[stripped] += 1;
            for (qsizetype n = 2; n <= qMin<qsizetype>(4, stripped.size()); ++n)
                prefix[stripped.left(n)] += 1;
        } else if (first.size() >= 2 && first.size() <= 15) {
            whole[first] += 1;
            prefix[first] += 1;
        }
    }
    for (const QStringList &forms : std::as_const(pairs))
        addBrand(forms);
    // A word that starts many titles, and stands alone in at least one, is a brand.
    const int enough = qMax(3, int(titles.size() / 50));
    QStringList accepted;
    for (auto it = whole.cbegin(); it != whole.cend(); ++it) {
        if (prefix.value(it.key()) >= enough && !known(it.key()) && !m_keywordTerms.contains(it.key())
            && !kSuffixes.contains(it.key()))
            accepted.append(it.key());
    }
    // The shortest of them: "牧蓝" rather than "牧蓝悦享" that starts with it.
    for (const QString &brand : std::as_const(accepted)) {
        if (std::none_of(accepted.cbegin(), accepted.cend(),
                [&](const QString &other) { return other.size() < brand.size() && brand.startsWith(other); }))
            addBrand({brand});
    }
    // Series names of goods without model numbers: the Chinese words left that recur in a brand's titles.
    // What is read of each title now is kept for Read.
    m_series.clear();
    m_understood.clear();
    m_understood.reserve(titles.size());
    for (qsizetype i = 0; i < titles.size(); ++i) {
        Understood &u = m_understood.emplace_back();
        u.P = prepare(normalized.at(i));
        QString text = u.P.Text;
        u.Variant = TProductVariant::Read(text);
        u.Rest = blanked(u.P, text);
        if (!u.P.Brand.isEmpty()) {
            for (const QString &chunk : cjkChunks(u.Rest))
                m_series[u.P.Brand][chunk] += 1;
        }
    }
}

TTitleReading TProductTitle::Read(const QString &title) const
{
    Understood u;
    u.P = prepare(clean(NormalizedTitle(title).left(160)));
    QString text = u.P.Text;
    u.Variant = TProductVariant::Read(text);
    u.Rest = blanked(u.P, text);
    return read(u);
}

TTitleReading TProductTitle::ReadLearned(qsizetype index) const
{
    return read(m_understood.at(index));
}

TTitleReading TProductTitle::read(const Understood &u) const
{
    TTitleReading reading;
    const Prepared &p = u.P;
    const QString &rest = u.Rest;
    reading.Brand = p.Brand;
    decideKind(p, reading);
    reading.Variant = u.Variant;
    reading.Model = readModel(rest, reading.Variant);
    if (reading.Model.isEmpty() && !reading.Brand.isEmpty()) {
        // No model number: the first Chinese words that hold a series name, one that stands alone
        // in other titles of the brand ("启源" in "启源婴幼儿奶粉"); the most frequent one in them.
        const QHash<QString, int> series = m_series.value(reading.Brand);
        const QStringList chunks = cjkChunks(rest);
        for (qsizetype c = 0; c < chunks.size() && reading.Model.isEmpty(); ++c) {
            const QString &chunk = chunks.at(c);
            int best = 1;
            for (qsizetype length = chunk.size(); length >= 2; --length) {
                for (qsizetype at = 0; at + length <= chunk.size(); ++at) {
                    const QString part = chunk.mid(at, length);
                    if (series.value(part) > best) {
                        best = series.value(part);
                        reading.Model = part;
                    }
                }
            }
        }
    }
    return reading;
}
