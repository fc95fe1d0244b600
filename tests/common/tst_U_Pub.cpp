#include "U_Pub.h"

#include <QtTest>

class tst_U_Pub : public QObject
{
    Q_OBJECT
private slots:
    void fromText_data();
    void fromText();
    void asText_data();
    void asText();
    void nameValue_data();
    void nameValue();
    void lookup_data();
    void lookup();
    void replaceAll_data();
    void replaceAll();
    void splitSelection_data();
    void splitSelection();
    void loadTextResource_data();
    void loadTextResource();
    void trimControls_data();
    void trimControls();
};

void tst_U_Pub::fromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("one line, no break") << "a" << QStringList{"a"};
    QTest::newRow("CR LF") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("LF") << "a\nb" << QStringList{"a", "b"};
    QTest::newRow("CR") << "a\rb" << QStringList{"a", "b"};
    QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("break at the end adds nothing") << "a\r\n" << QStringList{"a"};
    QTest::newRow("empty lines between breaks") << "a\r\n\r\nb\n\nc" << QStringList{"a", "", "b", "", "c"};
    QTest::newRow("only a break") << "\r\n" << QStringList{""};
    QTest::newRow("two breaks") << "\n\n" << QStringList{"", ""};
    QTest::newRow("NUL ends the text") << QString("ab\ncd").insert(4, QChar(0)) + "\nef" << QStringList{"ab", "c"};
    QTest::newRow("NUL first") << QString(QChar(0)) + "abc" << QStringList();
    QTest::newRow("blanks kept") << " a \t\r\n b " << QStringList{" a \t", " b "};
    QTest::newRow("Chinese") << "手机\r\n电脑" << QStringList{"手机", "电脑"};
}

void tst_U_Pub::fromText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    TTextList list;
    list.append("left over");
    list.setText(text);
    QCOMPARE(list.lines(), lines);
}

void tst_U_Pub::asText_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty list") << QStringList() << QString();
    QTest::newRow("one empty line") << QStringList{""} << "\r\n";
    QTest::newRow("two lines") << QStringList{"a", "b"} << "a\r\nb\r\n";
}

void tst_U_Pub::asText()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, text);
    TTextList list;
    for (const QString &line : lines)
        list.append(line);
    QCOMPARE(list.text(), text);
    // and back again: the same lines
    TTextList again;
    again.setText(list.text());
    QCOMPARE(again.lines(), lines);
}

void tst_U_Pub::nameValue_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("equals") << "淘宝网=http://t.cn/?a=" << "=" << "淘宝网" << "http://t.cn/?a=";
    QTest::newRow("no separator") << "just text" << "=" << "" << "";
    QTest::newRow("value holds the separator") << "a=b=c" << "=" << "a" << "b=c";
    QTest::newRow("empty name") << "=v" << "=" << "" << "v";
    QTest::newRow("empty value") << "n=" << "=" << "n" << "";
    QTest::newRow("tab") << "购物综合\t$" << "\t" << "购物综合" << "$";
    QTest::newRow("tab, blanks kept") << " a \t b\tc " << "\t" << " a " << " b\tc ";
    QTest::newRow("tab list ignores equals") << "a=b\tc" << "\t" << "a=b" << "c";
}

void tst_U_Pub::nameValue()
{
    QFETCH(QString, line);
    QFETCH(QString, separator);
    QFETCH(QString, name);
    QFETCH(QString, value);
    TTextList list(separator.at(0));
    list.append(line);
    QCOMPARE(list.name(0), name);
    QCOMPARE(list.valueFromIndex(0), value);
}

void tst_U_Pub::lookup_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sought");
    QTest::addColumn<QString>("value");
    const QString list = "Alpha=1\r\nbeta=2\r\nalpha=3\r\ngamma\r\n=empty\r\n";
    QTest::newRow("exact") << list << "beta" << "2";
    QTest::newRow("other case, first match") << list << "ALPHA" << "1";
    QTest::newRow("missing") << list << "delta" << "";
    QTest::newRow("line without separator is not a name") << list << "gamma" << "";
    QTest::newRow("empty name") << list << "" << "empty";
    QTest::newRow("Chinese names") << "当当网=http://d/\r\n京东商城=http://j/" << "京东商城" << "http://j/";
    QTest::newRow("empty list") << "" << "a" << "";
}

void tst_U_Pub::lookup()
{
    QFETCH(QString, text);
    QFETCH(QString, sought);
    QFETCH(QString, value);
    TTextList list;
    list.setText(text);
    QCOMPARE(list.value(sought), value);
}

void tst_U_Pub::replaceAll_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("result");
    QTest::newRow("every occurrence") << "a{?kc}b{?kc}" << "{?kc}" << "x" << "axbx";
    QTest::newRow("replacement holds the pattern") << "k={?kc}" << "{?kc}" << "[{?kc}]" << "k=[{?kc}]";
    QTest::newRow("no overlap") << "aaaa" << "aa" << "b" << "bb";
    QTest::newRow("odd overlap") << "aaa" << "aa" << "b" << "ba";
    QTest::newRow("case significant") << "{?KC}" << "{?kc}" << "x" << "{?KC}";
    QTest::newRow("not found") << "abc" << "x" << "y" << "abc";
    QTest::newRow("empty pattern") << "abc" << "" << "y" << "abc";
    QTest::newRow("empty source") << "" << "a" << "b" << "";
    QTest::newRow("removed") << "a;b;" << ";" << "" << "ab";
    QTest::newRow("growing replacement") << "aa" << "a" << "aa" << "aaaa";
}

void tst_U_Pub::replaceAll()
{
    QFETCH(QString, source);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, result);
    QCOMPARE(ReplaceAll(source, find, replacement), result);
}

void tst_U_Pub::splitSelection_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two") << "A;B" << QStringList{"A", "B"};
    QTest::newRow("trailing semicolon") << "A;" << QStringList{"A"};
    QTest::newRow("empty middle") << "A;;B" << QStringList{"A", "", "B"};
    QTest::newRow("leading semicolon") << ";A" << QStringList{"", "A"};
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("untrimmed") << " A ; B " << QStringList{" A ", " B "};
    QTest::newRow("line breaks separate too") << "A\r\nB;C" << QStringList{"A", "B", "C"};
    QTest::newRow("Chinese") << "当当网;京东商城" << QStringList{"当当网", "京东商城"};
}

void tst_U_Pub::splitSelection()
{
    QFETCH(QString, selection);
    QFETCH(QStringList, names);
    TTextList list;
    list.append("old entry");
    SplitSelection(selection, list);
    QCOMPARE(list.lines(), names);
}

void tst_U_Pub::loadTextResource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("found");
    QTest::newRow("test text, lower case") << "crlf_txt" << "txt" << true;
    QTest::newRow("test text, upper case") << "CRLF_TXT" << "TXT" << true;
    QTest::newRow("mixed case") << "Crlf_Txt" << "tXt" << true;
    QTest::newRow("no such name") << "nothing_txt" << "TXT" << false;
    QTest::newRow("no such type") << "crlf_txt" << "htm" << false;
    QTest::newRow("empty name") << "" << "TXT" << false;
    QTest::newRow("empty type") << "crlf_txt" << "" << false;
}

void tst_U_Pub::loadTextResource()
{
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(bool, found);
    const QString text = LoadTextResource(name, type);
    if (!found) {
        QVERIFY(text.isEmpty());
        return;
    }
    // Stored with LF, a lone CR, and no break after the last line; read back with CR LF after
    // every line, GBK decoded.
    QCOMPARE(text, QStringLiteral("第一行\r\n第二行\r\n\r\n最后一行\r\n"));
}

void tst_U_Pub::trimControls_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("blanks and controls") << " \t\r\n手机\x01 " << "手机";
    QTest::newRow("full-width blank stays") << QString::fromUtf8("\u3000手机\u3000") << QString::fromUtf8("\u3000手机\u3000");
    QTest::newRow("no-break space stays") << QString::fromUtf8("\u00a0a") << QString::fromUtf8("\u00a0a");
    QTest::newRow("inner blanks stay") << "  a b  " << "a b";
    QTest::newRow("only blanks") << "   " << "";
}

void tst_U_Pub::trimControls()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(TrimControls(text), trimmed);
}

QTEST_GUILESS_MAIN(tst_U_Pub)
#include "tst_U_Pub.moc"
