#include "TShopCatalogue.h"
#include "TShopManager.h"
#include "U_Pub.h"
#include "MessageBoxes.h"
#include "U_SelShop.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const QString kShoppingShops = QStringLiteral("卓越亚马逊;当当网;京东商城;MSN商城;No5时尚广场;淘宝商城;红孩子");

QTreeWidgetItem *nodeNamed(TFrm_SelShop *dialog, const QString &name)
{
    const QList<QTreeWidgetItem *> found = dialog->cTree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() == 1 ? found.first() : nullptr;
}

// A real click on the node's box, at the start of the row the view reports.
void clickBox(TFrm_SelShop *dialog, QTreeWidgetItem *node)
{
    dialog->cTree->scrollToItem(node);
    const QRect row = dialog->cTree->visualItemRect(node);
    QTest::mouseClick(dialog->cTree->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 9, row.center().y()));
}

void clickLabel(TFrm_SelShop *dialog, QTreeWidgetItem *node)
{
    dialog->cTree->scrollToItem(node);
    const QRect row = dialog->cTree->visualItemRect(node);
    QTest::mouseClick(dialog->cTree->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 48, row.center().y()));
}

// "name(child,child(...))" for the subtree under `node`.
QString describe(const QTreeWidgetItem *node)
{
    QStringList children;
    for (int i = 0; i < node->childCount(); ++i)
        children << describe(node->child(i));
    return node->text(0) + (children.isEmpty() ? QString() : '(' + children.join(',') + ')');
}

int tickedNodes(TFrm_SelShop *dialog)
{
    int ticked = 0;
    for (QTreeWidgetItemIterator it(dialog->cTree); *it; ++it)
        ticked += TCheckTree::CheckState(*it) != csUnchecked;
    return ticked;
}

// Shows `dialog` and waits until every box is drawn.
bool shown(TFrm_SelShop *dialog)
{
    if (!dialog->isVisible())
        dialog->show();
    return QTest::qWaitForWindowExposed(dialog) && QTest::qWaitFor([dialog] {
        for (QTreeWidgetItemIterator it(dialog->cTree); *it; ++it)
            if (TCheckTree::CheckState(*it) != csUnchecked)
                return false;
        return true;
    });
}

// Runs `drive` on the selection dialog as soon as it is open modally. Whatever `drive`
// leaves open is cancelled, so that a failed check cannot hang the test.
void whenOpen(const std::function<void(TFrm_SelShop *)> &drive)
{
    QTimer::singleShot(0, qApp, [drive] {
        auto *dialog = qobject_cast<TFrm_SelShop *>(QApplication::activeModalWidget());
        if (!dialog) {
            whenOpen(drive);
            return;
        }
        drive(dialog);
        if (dialog->isVisible())
            dialog->done(IDCANCEL);
    });
}

} // namespace

class tst_U_SelShop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true); // the user's shop file goes to a scratch folder
        QFile::remove(UserCatalogueFilePath());
    }
    void window();
    void layout_data();
    void layout();
    void treeFromShippedCatalogue();
    void buildTree_data();
    void buildTree();
    void onlyShopsAreSelected();
    void tickCategory();
    void tickThenUntick();
    void rootTicksAllShops();
    void closing_data();
    void closing();
    void enterAndEscapeLeaveItOpen_data();
    void enterAndEscapeLeaveItOpen();
    void keyboardStartsInTheTree();
    void shopManagerChecksInput_data();
    void shopManagerChecksInput();
    void selectShopsStartsAfreshEachTime();
};

void tst_U_SelShop::window()
{
    TFrm_SelShop dialog;
    QVERIFY(shown(&dialog));
    QCOMPARE(dialog.windowTitle(), "选择网店");
    QCOMPARE(dialog.size(), QSize(618, 450));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    const QPoint offCentre = dialog.geometry().center() - dialog.screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 40, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    QCOMPARE(dialog.font().pixelSize(), 12);
    QCOMPARE(dialog.font().families().first(), "宋体");

    QCOMPARE(dialog.BtnOK->text(), "确定(&O)");
    QCOMPARE(dialog.BtnCancel->text(), "取消(&C)");
    for (QPushButton *button : {dialog.BtnOK, dialog.BtnCancel}) {
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }
    QVERIFY(dialog.lbCnt->text().isEmpty());

    QCOMPARE(dialog.il1.size(), 2);
    const QImage category = dialog.il1[TFrm_SelShop::imgCategory].pixmap(16, 16).toImage();
    const QImage shop = dialog.il1[TFrm_SelShop::imgShop].pixmap(16, 16).toImage();
    QCOMPARE(category.size(), QSize(16, 16));
    QVERIFY(category != shop);
    // The badge is orange: red well above blue where the box alone is blue.
    const QColor badge = shop.pixelColor(11, 11), box = category.pixelColor(11, 11);
    QVERIFY(badge.red() > badge.blue() + 80);
    QVERIFY(box.blue() > box.red() + 60);
}

void tst_U_SelShop::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("Panel3: top spacer") << "Panel3" << QRect(0, 0, 618, 2);
    QTest::newRow("Panel2: between the spacers") << "Panel2" << QRect(0, 2, 618, 405);
    QTest::newRow("Panel4: spacer above Panel1") << "Panel4" << QRect(0, 407, 618, 2);
    QTest::newRow("Panel1: bottom") << "Panel1" << QRect(0, 409, 618, 41);
    QTest::newRow("BtnOK") << "BtnOK" << QRect(336, 8, 75, 25);
    QTest::newRow("BtnCancel") << "BtnCancel" << QRect(448, 8, 75, 25);
}

void tst_U_SelShop::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);
    TFrm_SelShop dialog;
    QVERIFY(shown(&dialog));
    auto *widget = dialog.findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(dialog.lbCnt->pos(), QPoint(32, 16));
    QCOMPARE(dialog.lbCnt->parentWidget(), dialog.Panel1);
    QVERIFY(dialog.Panel2->geometry().contains(dialog.Panel2->mapTo(&dialog, dialog.cTree->geometry().center())));
}

void tst_U_SelShop::treeFromShippedCatalogue()
{
    TFrm_SelShop dialog;
    QTreeWidget *tree = dialog.cTree;
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), "Vanzu选店铺");
    QCOMPARE(tree->currentItem(), root);
    QVERIFY(root->isSelected());
    QVERIFY(root->isExpanded());

    QCOMPARE(root->childCount(), 12);
    int shops = 0;
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem *category = root->child(i);
        QCOMPARE(category->icon(0).cacheKey(), dialog.il1[TFrm_SelShop::imgCategory].cacheKey());
        QVERIFY(!category->isExpanded());
        for (int j = 0; j < category->childCount(); ++j) {
            QCOMPARE(category->child(j)->icon(0).cacheKey(), dialog.il1[TFrm_SelShop::imgShop].cacheKey());
            QCOMPARE(category->child(j)->childCount(), 0);
            ++shops;
        }
    }
    QCOMPARE(shops, 68);
    QCOMPARE(root->icon(0).cacheKey(), dialog.il1[TFrm_SelShop::imgCategory].cacheKey());
    QCOMPARE(describe(root->child(0)), "购物综合(" + QString(kShoppingShops).replace(';', ',') + ')');
    QCOMPARE(root->child(11)->text(0), "google购物搜索");

    QVERIFY(shown(&dialog)); // every box drawn empty, and no change reported for that
    QCOMPARE(tickedNodes(&dialog), 0);
    QCOMPARE(dialog.windowTitle(), "选择网店");
    QVERIFY(dialog.lbCnt->text().isEmpty());
}

void tst_U_SelShop::buildTree_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("tree");

    QTest::newRow("no catalogue: the root alone") << "" << "Vanzu选店铺";
    QTest::newRow("shop before every category hangs under the root")
            << "顶店\thttp://a/\r\n类\t$\r\n店\thttp://b/" << "Vanzu选店铺(顶店,类(店))";
    QTest::newRow("blank lines skipped")
            << "类\t$\r\n  \r\n\t\r\n店\thttp://b/\r\n\r\n" << "Vanzu选店铺(类(店))";
    QTest::newRow("'$ ' is a shop's template, not a category")
            << "类\t$\r\n店\t$ \r\n" << "Vanzu选店铺(类(店))";
    QTest::newRow("names kept exactly")
            << " 类 \t$\r\n 店\thttp://b/" << "Vanzu选店铺( 类 ( 店))";
    QTest::newRow("empty category") << "空类\t$\r\n类\t$\r\n店\thttp://b/" << "Vanzu选店铺(空类,类(店))";
}

void tst_U_SelShop::buildTree()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, tree);
    TFrm_SelShop dialog;
    dialog.BuildTree(catalogue);
    QCOMPARE(dialog.cTree->topLevelItemCount(), 1);
    QCOMPARE(describe(dialog.cTree->topLevelItem(0)), tree);
    QCOMPARE(dialog.cTree->currentItem(), dialog.cTree->topLevelItem(0));
}

void tst_U_SelShop::onlyShopsAreSelected()
{
    // An empty category, and the root of an empty catalogue, have no children either; ticking
    // them selects no shop.
    TFrm_SelShop dialog;
    dialog.BuildTree("空类\t$\r\n类\t$\r\n店\thttp://b/");
    QVERIFY(shown(&dialog));
    QTest::keyClick(dialog.cTree, Qt::Key_Space);
    QCOMPARE(dialog.Selection(), "店");
    QCOMPARE(dialog.lbCnt->text(), "已选择网店1个");

    dialog.BuildTree(QString());
    QVERIFY(shown(&dialog));
    QTest::keyClick(dialog.cTree, Qt::Key_Space);
    QCOMPARE(TCheckTree::CheckState(dialog.cTree->topLevelItem(0)), int(csChecked));
    QCOMPARE(dialog.Selection(), QString());
    QCOMPARE(dialog.lbCnt->text(), "已选择网店0个");
}

void tst_U_SelShop::tickCategory()
{
    TFrm_SelShop dialog;
    QVERIFY(shown(&dialog));
    QStringList captions;
    connect(&dialog, &QWidget::windowTitleChanged, &dialog, [&captions](const QString &t) { captions << t; });
    clickBox(&dialog, nodeNamed(&dialog, "购物综合"));
    QCOMPARE(dialog.windowTitle(), kShoppingShops);
    QCOMPARE(dialog.lbCnt->text(), "已选择网店7个");
    QCOMPARE(dialog.Selection(), kShoppingShops);
    QCOMPARE(TCheckTree::CheckState(dialog.cTree->topLevelItem(0)), int(csPartiallyChecked));
    // Every report recounts: the caption grows shop by shop and holds the whole selection
    // once the last report is in.
    QStringList growing{QString()};
    const QStringList shops = kShoppingShops.split(';');
    for (int n = 1; n <= shops.size(); ++n)
        growing << shops.mid(0, n).join(';');
    QCOMPARE(captions, growing);
    QVERIFY(nodeNamed(&dialog, "购物综合")->isExpanded());
}

void tst_U_SelShop::tickThenUntick()
{
    TFrm_SelShop dialog;
    QVERIFY(shown(&dialog));
    QTreeWidgetItem *shop = nodeNamed(&dialog, "京东商城");
    clickLabel(&dialog, shop->parent()); // opens the category
    QVERIFY(shop->parent()->isExpanded());
    clickBox(&dialog, shop);
    QCOMPARE(dialog.windowTitle(), "京东商城");
    QCOMPARE(dialog.lbCnt->text(), "已选择网店1个");
    QCOMPARE(TCheckTree::CheckState(shop->parent()), int(csPartiallyChecked));
    clickBox(&dialog, shop);
    QCOMPARE(dialog.windowTitle(), QString());
    QCOMPARE(dialog.lbCnt->text(), "已选择网店0个");
    QCOMPARE(tickedNodes(&dialog), 0);
}

void tst_U_SelShop::rootTicksAllShops()
{
    TFrm_SelShop dialog;
    QVERIFY(shown(&dialog));
    QStringList names;
    for (const TShopEntry &entry : ReadShopCatalogue(LoadShopCatalogueText()))
        if (!entry.IsCategory)
            names << entry.Name;
    QCOMPARE(names.size(), 68);

    // The root is selected at the start: Space ticks it.
    QTest::keyClick(dialog.cTree, Qt::Key_Space);
    QCOMPARE(dialog.lbCnt->text(), "已选择网店68个");
    QCOMPARE(dialog.CheckedCount(), 68);
    QCOMPARE(dialog.Selection(), names.join(';'));
    QCOMPARE(dialog.windowTitle(), names.join(';'));
    // Every name whole, also past the 255th byte where the 21st name begins.
    QVERIFY(ToGbk(dialog.Selection()).size() > 255);
    QVERIFY(dialog.Selection().split(';').contains("奕尚网名牌服饰"));
    QVERIFY(dialog.Selection().endsWith(";Google购物"));
}

void tst_U_SelShop::closing_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");

    QTest::newRow("OK") << "OK" << int(IDOK);
    QTest::newRow("Alt+O") << "Alt+O" << int(IDOK);
    QTest::newRow("Cancel") << "Cancel" << int(IDCANCEL);
    QTest::newRow("Alt+C") << "Alt+C" << int(IDCANCEL);
    QTest::newRow("close box") << "close" << int(IDCANCEL);
}

void tst_U_SelShop::closing()
{
    QFETCH(QString, action);
    QFETCH(int, result);

    TFrm_SelShop dialog;
    whenOpen([action](TFrm_SelShop *d) {
        QVERIFY(shown(d));
        clickBox(d, nodeNamed(d, "购物综合"));
        if (action == "OK")
            QTest::mouseClick(d->BtnOK, Qt::LeftButton);
        else if (action == "Cancel")
            QTest::mouseClick(d->BtnCancel, Qt::LeftButton);
        else if (action == "close")
            d->close();
        else {
            d->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(d));
            // A mnemonic clicks its button with a short animation.
            QTest::keyClick(d->cTree, action.endsWith('O') ? Qt::Key_O : Qt::Key_C, Qt::AltModifier);
        }
        QTRY_VERIFY2(!d->isVisible(), "closed by the action itself");
    });
    QCOMPARE(dialog.exec(), result);
    QCOMPARE(dialog.Selection(), kShoppingShops);
}

void tst_U_SelShop::enterAndEscapeLeaveItOpen_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("focus on the tree") << "cTree";
    QTest::newRow("focus on OK") << "BtnOK";
    QTest::newRow("focus on Cancel") << "BtnCancel";
}

void tst_U_SelShop::enterAndEscapeLeaveItOpen()
{
    QFETCH(QString, focus);
    bool stayedOpen = false;
    whenOpen([focus, &stayedOpen](TFrm_SelShop *d) {
        QVERIFY(shown(d));
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        auto *target = d->findChild<QWidget *>(focus);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(target, key);
            QVERIFY2(d->isVisible(), qPrintable(QKeySequence(key).toString()));
        }
        stayedOpen = true;
        QTest::mouseClick(d->BtnCancel, Qt::LeftButton);
    });
    QCOMPARE(SelectShops(), QString());
    QVERIFY(stayedOpen);
}

void tst_U_SelShop::keyboardStartsInTheTree()
{
    // Opened, the dialog's keys go to the tree: Space ticks the current node (the root), Down
    // moves; Enter does not close it.
    QString selection;
    whenOpen([&selection](TFrm_SelShop *d) {
        QVERIFY(shown(d));
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QCOMPARE(QApplication::focusWidget(), d->cTree);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(d->isVisible());
        QCOMPARE(d->lbCnt->text(), QStringLiteral("已选择网店68个"));
        QCOMPARE(d->cTree->currentItem(), d->cTree->topLevelItem(0)->child(0));
        selection = d->Selection();
        QTest::mouseClick(d->BtnOK, Qt::LeftButton);
    });
    QCOMPARE(SelectShops(), selection);
    QVERIFY(!selection.isEmpty());
}

void tst_U_SelShop::selectShopsStartsAfreshEachTime()
{
    // Each step: what it does in the dialog, then what SelectShops returns.
    const QList<QPair<std::function<void(TFrm_SelShop *)>, QString>> steps = {
        {[](TFrm_SelShop *d) {
             clickBox(d, nodeNamed(d, "购物综合"));
             QTest::mouseClick(d->BtnOK, Qt::LeftButton);
         }, kShoppingShops},
        {[](TFrm_SelShop *d) { QTest::mouseClick(d->BtnCancel, Qt::LeftButton); }, QString()},
        {[](TFrm_SelShop *d) { QTest::mouseClick(d->BtnOK, Qt::LeftButton); }, QString()},
        {[](TFrm_SelShop *d) {
             clickBox(d, d->cTree->topLevelItem(0));
             clickBox(d, d->cTree->topLevelItem(0));
             QTest::mouseClick(d->BtnOK, Qt::LeftButton);
         }, QString()},
    };
    for (int i = 0; i < steps.size(); ++i) {
        bool fresh = false;
        whenOpen([&, i](TFrm_SelShop *d) {
            QVERIFY(shown(d));
            fresh = d->windowTitle() == "选择网店" && d->lbCnt->text().isEmpty() && tickedNodes(d) == 0
                    && d->cTree->currentItem() == d->cTree->topLevelItem(0);
            steps[i].first(d);
        });
        QCOMPARE(SelectShops(), steps[i].second);
        QVERIFY2(fresh, qPrintable(QStringLiteral("opening %1 started with something left over").arg(i + 1)));
    }
}

void tst_U_SelShop::shopManagerChecksInput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("error"); // empty: the shop is added
    QTest::newRow("empty name") << "" << "http://a.example/?q={?ku}" << "名称不能为空。";
    QTest::newRow("name with ;") << "我的;店" << "http://a.example/?q={?ku}" << "名称中不能有分号（;）。";
    QTest::newRow("name taken, other case") << "msn商城" << "http://a.example/?q={?ku}" << "已有名为“MSN商城”的网店或分类。";
    QTest::newRow("not http") << "我的店" << "www.a.example/?q={?ku}" << "网址必须以 http:// 或 https:// 开头。";
    QTest::newRow("valid") << "我的店" << "https://a.example/?q={?kc}&x=1" << "";
}

void tst_U_SelShop::shopManagerChecksInput()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, error);
    QFile::remove(UserCatalogueFilePath());
    TFrm_ShopManager dialog(QStringLiteral("a&b 手机"));
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    // Typed as the user types: the keys go to whatever has the focus.
    auto type = [](QLineEdit *field, const QString &text) {
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        field->selectAll();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        for (const QChar c : text) // one key press per character, as an input method sends them
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    };
    dialog.tvShops->setCurrentItem(dialog.tvShops->findItems(QStringLiteral("服装服饰"), Qt::MatchExactly).value(0));
    type(dialog.EdtName, name);
    type(dialog.EdtAddress, address);
    if (error.isEmpty()) // the address as the current keyword makes it, shown while typing
        QCOMPARE(dialog.lbPreview->text(), QStringLiteral("https://a.example/?q=a%26b%20手机&x=1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.lbError->text(), error);
    QTest::mouseClick(dialog.BtnOK, Qt::LeftButton);
    QTRY_VERIFY(!dialog.isVisible());
    // Only valid input reaches the file.
    const QString catalogue = LoadShopCatalogueText();
    QCOMPARE(ShopSearchTemplate(catalogue, name), error.isEmpty() ? address : ShopSearchTemplate(LoadBuiltInShopCatalogueText(), name));
    QFile::remove(UserCatalogueFilePath());
}

QTEST_MAIN(tst_U_SelShop)
#include "tst_U_SelShop.moc"
