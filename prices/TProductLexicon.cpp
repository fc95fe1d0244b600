#include "TProductLexicon.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>

namespace {
const char *const kSectionNames[] = {"配件", "品类", "描述", "杂词", "品牌", "配件标记", "赠品标记"};

QString readUtf8(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

QString NormalizedTitle(const QString &title)
{
    // Hostile text of any length: what a title needs to be read is at its start.
    const QString folded = title.left(400).normalized(QString::NormalizationForm_KC).toLower();
    QString text;
    text.reserve(folded.size());
    bool space = true; // no leading space
    for (const QChar c : folded) {
        const bool ascii = c.unicode() < 0x80;
        if (ascii ? c.unicode() <= 0x20 || c.unicode() == 0x7F
                  : c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            if (!space)
                text += QLatin1Char(' ');
            space = true;
            continue;
        }
        text += c;
        space = false;
    }
    if (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

const TProductLexicon &TProductLexicon::Shared()
{
    static const TProductLexicon lexicon = [] {
        TProductLexicon built = BuiltIn();
        built.AddText(readUtf8(UserFilePath()));
        return built;
    }();
    return lexicon;
}

TProductLexicon TProductLexicon::BuiltIn()
{
    TProductLexicon lexicon;
    lexicon.AddText(readUtf8(QStringLiteral(":/products/lexicon.txt")));
    return lexicon;
}

QString TProductLexicon::UserFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/products.txt");
}

void TProductLexicon::AddText(const QString &text)
{
    int section = -1;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            section = -1;
            for (int i = 0; i < SectionCount; ++i) {
                if (name == QString::fromUtf8(kSectionNames[i]))
                    section = i;
            }
            continue;
        }
        if (section >= 0)
            Add(Section(section), NormalizedTitle(line).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }
}

void TProductLexicon::Add(Section section, const QStringList &forms)
{
    if (forms.isEmpty())
        return;
    // A form already known joins its line (a user's line may name more forms of a known brand).
    int line = -1;
    for (const QString &form : forms) {
        if (m_lineOf[section].contains(form))
            line = m_lineOf[section].value(form);
    }
    if (line < 0) {
        line = int(m_lines[section].size());
        m_lines[section].append(QStringList());
    }
    for (const QString &form : forms) {
        if (m_lineOf[section].contains(form))
            continue;
        m_lines[section][line].append(form);
        m_lineOf[section].insert(form, line);
        QStringList &starting = m_byFirst[section][form.at(0)];
        starting.append(form);
        std::stable_sort(starting.begin(), starting.end(),
            [](const QString &a, const QString &b) { return a.size() > b.size(); });
    }
}

QString TProductLexicon::WordAt(Section section, const QString &text, qsizetype position) const
{
    if (position < 0 || position >= text.size())
        return {};
    const auto found = m_byFirst[section].constFind(text.at(position));
    if (found == m_byFirst[section].cend())
        return {};
    for (const QString &word : *found) {
        if (QStringView(text).mid(position, word.size()) != word)
            continue;
        if (IsLatinWordChar(word.front())) {
            if (position > 0 && IsLatinWordChar(text.at(position - 1)))
                continue;
        }
        if (IsLatinWordChar(word.back())) {
            const qsizetype end = position + word.size();
            if (end < text.size() && IsLatinWordChar(text.at(end)))
                continue;
        }
        return word;
    }
    return {};
}
