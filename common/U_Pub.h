#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// Text helpers shared by the whole program. Text is QString inside the program; the GBK
// byte form appears only where it can be observed (resources, form encoding, kd.db).

// An ordered list of lines with the program's one way of turning text into lines and back,
// and name/value access with a chosen separator ("=" unless the caller picks another).
class TTextList
{
public:
    TTextList() = default;
    explicit TTextList(QChar nameValueSeparator) : m_separator(nameValueSeparator) { }

    // Empties the list, then cuts the text into lines at CR, LF or CR LF. A break at the very
    // end adds no empty line; a NUL ends the text.
    void setText(const QString &text);
    // Every line followed by CR LF, the last one included.
    QString text() const;

    // The text before the first separator, or empty when the line holds none.
    QString name(int index) const;
    // The text after the first separator (which may hold the separator again), or empty.
    QString valueFromIndex(int index) const;
    // The value of the first line that holds the separator and whose name equals `name`,
    // letters compared without regard to case; empty when none does.
    QString value(const QString &name) const;

    int count() const { return int(m_lines.size()); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    const QString &at(int index) const { return m_lines.at(index); }
    const QStringList &lines() const { return m_lines; }
    void clear() { m_lines.clear(); }
    void append(const QString &line) { m_lines.append(line); }

private:
    QStringList m_lines;
    QChar m_separator = QLatin1Char('=');
};

// An embedded text (":/<TYPE>/<NAME>", name and type matched without regard to case),
// decoded from GBK, with CR LF after every line. Empty text on any failure.
QString LoadTextResource(const QString &name, const QString &type);

// Whether `path` names a regular file (or a link to one) or nothing yet: what may be replaced by
// a file of the program's. A device, a FIFO or a folder is never replaced.
bool IsRegularFileOrNew(const QString &path);

// Replaces the file at `path` with `bytes` atomically, creating its folder when needed: a crash
// or a full disk leaves the previous file whole. True only when the new file is in place.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes);
// The same for a file written in pieces, too large to be held whole: `write` writes into the
// new file and says whether all went well; false leaves the previous file whole.
bool WriteFileAtomically(const QString &path, const std::function<bool(QIODevice &file)> &write);

// Every occurrence of `find` replaced, searching on behind each inserted replacement so that
// inserted text is never searched again. An empty `find` leaves the source as it is.
QString ReplaceAll(const QString &source, const QString &find, const QString &replacement);

// Cuts a shop selection ("a;b;c") into its names, untrimmed, into `list`.
void SplitSelection(const QString &selection, TTextList &list);

// The GBK byte form of text. Characters that GBK lacks take their GB18030 form (GBK's
// superset, byte-identical for every GBK character), so nothing turns into "?".
QByteArray ToGbk(const QString &text);
QString FromGbk(const QByteArray &bytes);

// Form encoding: A-Z a-z 0-9 and ! $ ' ( ) * - . @ _ as they are, space as "+", every other
// byte as "%XX" in upper case. A NUL byte ends the input.
QString UrlFormEncode(const QByteArray &bytes);

// The text as it is, but with the characters that would end or change a part of an address
// (`&#+%?=`, blanks, control characters) or that an address may not hold (`"<>\``)
// percent-encoded. Other characters, non-ASCII ones included, stay.
QString EscapeAddressStructure(const QString &text);

// Fills a shop's search-address template with the keyword: "{?kg}" the form-encoded GBK
// bytes, then "{?ku}" the form-encoded UTF-8 bytes, then "{?kc}" the keyword as typed, but for
// what EscapeAddressStructure encodes.
QString ExpandSearchUrl(const QString &urlTemplate, const QString &keyword);

// The two texts are equal, letters compared without regard to case: the program's one rule for
// names of shops, categories and files.
inline bool SameText(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
inline bool SameText(QStringView a, QLatin1String b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Removes characters up to U+0020 from both ends (not U+3000, unlike QString::trimmed()).
QString TrimControls(const QString &text);
