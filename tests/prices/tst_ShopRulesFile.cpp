#include "TShopRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QtTest>

// The user's rules file as the teaching of a shop writes it: other hosts stay, the same host is
// replaced, a file that is no rules file is never overwritten.
namespace {
QByteArray fileBytes()
{
    QFile file(TShopRules::UserFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file's rules as "host|item|name", in the file's order.
QStringList fileRules()
{
    QStringList rules;
    const QJsonArray shops
        = QJsonDocument::fromJson(fileBytes()).object().value(QLatin1String("shops")).toArray();
    for (const QJsonValue &value : shops) {
        const QJsonObject rule = value.toObject();
        rules.append(QStringList {rule.value(QLatin1String("host")).toString(),
            rule.value(QLatin1String("item")).toString(), rule.value(QLatin1String("name")).toString()}
                         .join(QLatin1Char('|')));
    }
    return rules;
}
} // namespace

class tst_ShopRulesFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void change_data();
    void change();
};

void tst_ShopRulesFile::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QDir().mkpath(QFileInfo(TShopRules::UserFilePath()).absolutePath()));
}

void tst_ShopRulesFile::change_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<bool>("save"); // else remove
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("after"); // empty: the file as it was

    const QByteArray two = R"({"format": "mine", "shops": [
        {"host": "a.example", "item": ".a", "name": ".n"},
        {"host": " B.Example ", "item": ".old"}, "not a rule"]})";
    QTest::newRow("save: first rule, new file") << QByteArray() << true << "Shop.Example"
                                                << ".card" << true << QStringList {"shop.example|.card|.t"};
    QTest::newRow("save: other hosts stay")
        << two << true << "c.example"
        << ".card" << true
        << QStringList {"a.example|.a|.n", " B.Example |.old|", "||", "c.example|.card|.t"};
    QTest::newRow("save: same host replaced")
        << two << true << "b.example"
        << ".card" << true << QStringList {"a.example|.a|.n", "||", "b.example|.card|.t"};
    QTest::newRow("save: no item") << two << true << "b.example"
                                   << "" << false << QStringList();
    QTest::newRow("save: broken file kept") << QByteArray("{\"shops\": [") << true << "b.example"
                                            << ".card" << false << QStringList();
    QTest::newRow("save: file of another form kept") << QByteArray("{\"rules\": []}") << true << "b.example"
                                                     << ".card" << false << QStringList();
    QTest::newRow("remove: one host") << two << false << "B.EXAMPLE"
                                      << "" << true << QStringList {"a.example|.a|.n", "||"};
    QTest::newRow("remove: host without rule") << two << false << "c.example"
                                               << "" << true << QStringList();
    QTest::newRow("remove: broken file kept") << QByteArray("not json") << false << "a.example"
                                              << "" << false << QStringList();
    QTest::newRow("remove: no file") << QByteArray() << false << "a.example"
                                     << "" << true << QStringList();
}

void tst_ShopRulesFile::change()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, save);
    QFETCH(QString, host);
    QFETCH(QString, item);
    QFETCH(bool, ok);
    QFETCH(QStringList, after);

    QFile::remove(TShopRules::UserFilePath());
    if (!before.isNull()) {
        QFile file(TShopRules::UserFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    QString error;
    bool answer;
    if (save) {
        QJsonObject rule {{"host", host}, {"item", item}, {"name", ".t"}, {"price", ".p"}};
        answer = TShopRules::SaveUserRule(rule, &error);
    } else {
        answer = TShopRules::RemoveUserRule(host, &error);
    }
    QCOMPARE(answer, ok);
    QCOMPARE(error.isEmpty(), ok);
    if (after.isEmpty()) {
        QCOMPARE(fileBytes(), before);
        QCOMPARE(QFile::exists(TShopRules::UserFilePath()), !before.isNull());
    } else {
        QCOMPARE(fileRules(), after);
        QCOMPARE(TShopRules::HasUserRule(host), save);
        // The user's own key stays with the file.
        if (!before.isNull())
            QCOMPARE(QJsonDocument::fromJson(fileBytes()).object().value(QLatin1String("format")).toString(),
                QStringLiteral("mine"));
    }
    if (!ok && !before.isNull() && !save)
        QVERIFY(error.contains(QStringLiteral("未作改动")));
}

QTEST_GUILESS_MAIN(tst_ShopRulesFile)
#include "tst_ShopRulesFile.moc"
