// The main window's file-menu entries for the user's own shops: the shop manager and the
// named shop sets ("常用组合").
#include "U_Main.h"

#include "TShopCatalogue.h"
#include "TShopManager.h"
#include "TShopSets.h"
#include "MessageBoxes.h"
#include "U_Pub.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

void TFrm_Main::createShopCommands()
{
    pmRopt->addSeparator();
    pmShops = pmRopt->addAction(QStringLiteral("网店管理(&M)..."));
    pmShops->setObjectName(QStringLiteral("pmShops"));
    pmShops->setStatusTip(QStringLiteral("添加、修改或隐藏网店"));
    pmSaveShopSet = pmRopt->addAction(QStringLiteral("保存为常用组合(&G)..."));
    pmSaveShopSet->setObjectName(QStringLiteral("pmSaveShopSet"));
    pmSaveShopSet->setStatusTip(QStringLiteral("把网店框中的网店保存为常用组合"));
    pmShopSets = pmRopt->addMenu(QStringLiteral("常用组合(&R)"));
    pmShopSets->setObjectName(QStringLiteral("pmShopSets"));
    pmShopSets->menuAction()->setStatusTip(QStringLiteral("把保存过的常用组合放回网店框"));
    connect(pmShops, &QAction::triggered, this, &TFrm_Main::pmShopsClick);
    connect(pmSaveShopSet, &QAction::triggered, this, &TFrm_Main::pmSaveShopSetClick);
    // The sets are read when the menu opens, so that it always shows the file as it is.
    connect(pmShopSets, &QMenu::aboutToShow, this, [this] {
        pmShopSets->clear();
        const QList<TShopSet> sets = ReadShopSets();
        for (const TShopSet &set : sets) {
            QAction *item = pmShopSets->addAction(QString(set.Name).replace(QLatin1Char('&'), QLatin1String("&&")));
            connect(item, &QAction::triggered, this, [this, name = set.Name] { RecallShopSet(name); });
        }
        if (sets.isEmpty())
            pmShopSets->addAction(QStringLiteral("（还没有常用组合）"))->setEnabled(false);
    });

    // Lines of the user's shop file that cannot be used are told once, after the current event.
    SetUserCatalogueProblemReporter([this](const QString &message) {
        QTimer::singleShot(0, this, [message] { ShowMsg(message); });
    });
}

void TFrm_Main::pmShopsClick()
{
    TFrm_ShopManager dialog(Keyword(), this);
    dialog.OnTry = [this](const QString &address) { OpenInTab(address); };
    dialog.exec();
}

void TFrm_Main::pmSaveShopSetClick()
{
    const QString shops = TrimControls(EdtWD->text());
    if (shops.isEmpty() || shops == QStringLiteral("请选择你要购物的网店")) {
        ShowMsg(QStringLiteral("请选择你要购物的网店"));
        return;
    }
    bool ok = false;
    const QString name = TrimControls(QInputDialog::getText(this, QStringLiteral("保存为常用组合"),
                                                            QStringLiteral("组合的名称："), QLineEdit::Normal,
                                                            QString(), &ok));
    if (!ok || name.isEmpty())
        return;
    TTextList names;
    SplitSelection(shops, names);
    if (!SaveShopSet({name, names.lines()}))
        ShowMsg(QStringLiteral("无法保存常用组合。"));
}

void TFrm_Main::RecallShopSet(const QString &name)
{
    for (const TShopSet &set : ReadShopSets()) {
        if (set.Name != name)
            continue;
        QStringList dropped;
        const QString selection = ShopsStillThere(set, LoadShopCatalogueText(), &dropped).join(QLatin1Char(';'));
        EdtWD->setText(selection);
        EdtWD->setCursorPosition(0);
        SetHint(EdtWD, selection);
        if (!dropped.isEmpty())
            ShowMsg(QStringLiteral("以下网店已不存在，已从组合“%1”中去掉：%2").arg(name, dropped.join(QStringLiteral("、"))));
        return;
    }
}
