#include "TCheckTree.h"

#include <QtTest>

#include <memory>

// The shop-like tree: R; A with a1, a2; B with b1. Every event is logged as one line.
struct ShopLikeTree
{
    TCheckTree tree;
    QMap<QString, QTreeWidgetItem *> node;
    QStringList log;
    QString veto; // name of the node whose changes OnStateChanging refuses

    ShopLikeTree()
    {
        auto add = [this](QTreeWidgetItem *parent, const QString &name) {
            auto *item = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(&tree, {name});
            node.insert(name, item);
            return item;
        };
        QTreeWidgetItem *r = add(nullptr, "R");
        QTreeWidgetItem *a = add(r, "A");
        add(a, "a1");
        add(a, "a2");
        add(add(r, "B"), "b1");
        tree.expandAll();

        auto name = [this](QObject *sender, QTreeWidgetItem *item) {
            return (sender == &tree ? QString() : QStringLiteral("(foreign sender) ")) + item->text(0);
        };
        tree.OnStateChanging = [=](QObject *sender, QTreeWidgetItem *item, TCheckState state, bool &allow) {
            log << QStringLiteral("changing %1 %2").arg(name(sender, item)).arg(state);
            if (!allow)
                log << QStringLiteral("AllowChange came in false");
            allow = item->text(0) != veto;
        };
        tree.OnStateChange = [=](QObject *sender, QTreeWidgetItem *item, TCheckState state) {
            log << QStringLiteral("change %1 %2").arg(name(sender, item)).arg(state);
        };
        tree.OnUpdateChildren = [this](QObject *sender) {
            log << (sender == &tree ? QStringLiteral("children") : QStringLiteral("children (foreign sender)"));
        };
        tree.OnCascadeComplete = [=](QObject *sender, QTreeWidgetItem *item) {
            log << QStringLiteral("complete %1").arg(name(sender, item));
        };
    }

    // Shows the tree and waits for the paint that gives every node its empty box.
    bool show()
    {
        tree.resize(240, 200);
        tree.show();
        return QTest::qWaitForWindowExposed(&tree)
                && QTest::qWaitFor([this] { return TCheckTree::CheckState(node["b1"]) == csUnchecked; });
    }

    // "R=1 A=1 ..." in tree order.
    QString states()
    {
        QStringList parts;
        for (QTreeWidgetItemIterator it(&tree); *it; ++it)
            parts << QStringLiteral("%1=%2").arg((*it)->text(0)).arg(TCheckTree::CheckState(*it));
        return parts.join(' ');
    }
    void setStates(const QString &states)
    {
        for (const QString &part : states.split(' ', Qt::SkipEmptyParts))
            TCheckTree::SetCheckState(node.value(part.section('=', 0, 0)), part.section('=', 1).toInt());
    }

    // Points computed from the row the view reports: the box column is the row's first 20 pixels.
    QPoint boxOf(const QString &name) const
    {
        const QRect row = tree.visualItemRect(node.value(name));
        return QPoint(row.left() + 9, row.center().y());
    }
    QPoint labelOf(const QString &name) const
    {
        const QRect row = tree.visualItemRect(node.value(name));
        return QPoint(row.left() + 32, row.center().y());
    }
    QPoint at(const QString &where) const
    {
        if (where == "outside")
            return QPoint(-6, tree.viewport()->height() + 6);
        const QString name = where.section(':', 1);
        return where.startsWith("box:") ? boxOf(name) : labelOf(name);
    }
    QStringList completed() const { return log.filter(QRegularExpression("^complete ")); }
};

class tst_TCheckTree : public QObject
{
    Q_OBJECT
private slots:
    void shopLikeClicks();
    void cascade_data();
    void cascade();
    void unassignedNodesGetEmptyBoxWithoutEvents();
    void unassignedSiblingsAreNotCounted();
    void boxHitArea_data();
    void boxHitArea();
    void pressRelease_data();
    void pressRelease();
    void armingEndsWithAnyRelease();
    void doubleClickOnBoxTogglesTwice();
    void space_data();
    void space();
    void autoExpandIsSingleExpand();
    void autoExpandWaitsForTheRelease();
    void checkImagesTellStatesApart();
};

void tst_TCheckTree::shopLikeClicks()
{
    ShopLikeTree t;
    QVERIFY(t.show());
    QVERIFY(t.log.isEmpty());
    for (const char *name : {"a1", "a2", "B", "R"})
        QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, {}, t.boxOf(name));

    const QStringList expected = {
        // a1
        "changing a1 2", "change a1 2", "children", "changing A 3", "change A 3",
        "changing R 3", "change R 3", "complete a1",
        // a2: R stays partially checked, so no event for it
        "changing a2 2", "change a2 2", "children", "changing A 2", "change A 2", "complete a2",
        // B
        "changing B 2", "change B 2", "changing b1 2", "change b1 2", "children",
        "changing R 2", "change R 2", "complete B",
        // R: itself, then its subtree in pre-order, no ancestor
        "changing R 1", "change R 1", "changing A 1", "change A 1", "changing a1 1", "change a1 1",
        "changing a2 1", "change a2 1", "changing B 1", "change B 1", "changing b1 1", "change b1 1",
        "children", "complete R",
    };
    QCOMPARE(t.log, expected);
    QCOMPARE(t.states(), "R=1 A=1 a1=1 a2=1 B=1 b1=1");
}

void tst_TCheckTree::cascade_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("cascadeChecks");
    QTest::addColumn<QString>("veto");
    QTest::addColumn<QString>("action"); // "toggle", "parents" or "delete", then ":" and the node
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("after");

    const QString unchecked = "R=1 A=1 a1=1 a2=1 B=1 b1=1";
    QTest::newRow("partially checked node: it and its subtree become checked")
            << "R=3 A=3 a1=2 a2=1 B=1 b1=1" << true << "" << "toggle:A"
            << QStringList{"changing A 2", "change A 2", "changing a2 2", "change a2 2", "children", "complete A"}
            << "R=3 A=2 a1=2 a2=2 B=1 b1=1";
    QTest::newRow("checked node: it and its subtree become unchecked")
            << "R=3 A=2 a1=2 a2=2 B=1 b1=1" << true << "" << "toggle:A"
            << QStringList{"changing A 1", "change A 1", "changing a1 1", "change a1 1", "changing a2 1",
                           "change a2 1", "children", "changing R 1", "change R 1", "complete A"}
            << unchecked;
    QTest::newRow("unknown node: nothing at all")
            << "R=1 A=0 a1=1 a2=1 B=1 b1=1" << true << "" << "toggle:A" << QStringList()
            << "R=1 A=0 a1=1 a2=1 B=1 b1=1";
    QTest::newRow("descendants without a box get one")
            << "R=1 A=1 a1=0 a2=0 B=1 b1=1" << true << "" << "toggle:A"
            << QStringList{"changing A 2", "change A 2", "changing a1 2", "change a1 2", "changing a2 2",
                           "change a2 2", "children", "changing R 3", "change R 3", "complete A"}
            << "R=3 A=2 a1=2 a2=2 B=1 b1=1";
    QTest::newRow("cascade off: only the node, no children event")
            << unchecked << false << "" << "toggle:a1"
            << QStringList{"changing a1 2", "change a1 2", "complete a1"} << "R=1 A=1 a1=2 a2=1 B=1 b1=1";
    QTest::newRow("unknown sibling leaves the parent checked")
            << "R=1 A=1 a1=1 a2=0 B=1 b1=1" << true << "" << "toggle:a1"
            << QStringList{"changing a1 2", "change a1 2", "children", "changing A 2", "change A 2",
                           "changing R 3", "change R 3", "complete a1"}
            << "R=3 A=2 a1=2 a2=0 B=1 b1=1";
    QTest::newRow("parent of unknown children only becomes unchecked")
            << "R=3 A=2 a1=0 a2=0 B=1 b1=1" << true << "" << "parents:a1"
            << QStringList{"changing A 1", "change A 1", "changing R 1", "change R 1"}
            << "R=1 A=1 a1=0 a2=0 B=1 b1=1";
    QTest::newRow("ancestor above an unchanged one is still recomputed")
            << "R=2 A=1 a1=1 a2=1 B=1 b1=1" << true << "" << "parents:a1"
            << QStringList{"changing R 1", "change R 1"} << unchecked;
    QTest::newRow("vetoed toggle cascades the unchanged state")
            << "R=1 A=1 a1=1 a2=2 B=1 b1=1" << true << "a1" << "toggle:a1"
            << QStringList{"changing a1 2", "children", "changing A 3", "change A 3", "changing R 3",
                           "change R 3", "complete a1"}
            << "R=3 A=3 a1=1 a2=2 B=1 b1=1";
    QTest::newRow("vetoed descendant keeps its state, its subtree still follows")
            << unchecked << true << "A" << "toggle:R"
            << QStringList{"changing R 2", "change R 2", "changing A 2", "changing a1 2", "change a1 2",
                           "changing a2 2", "change a2 2", "changing B 2", "change B 2", "changing b1 2",
                           "change b1 2", "children", "complete R"}
            << "R=2 A=1 a1=2 a2=2 B=2 b1=2";
    QTest::newRow("vetoed ancestor: the ones above see its stored state")
            << unchecked << true << "A" << "toggle:a1"
            << QStringList{"changing a1 2", "change a1 2", "children", "changing A 3", "complete a1"}
            << "R=1 A=1 a1=2 a2=1 B=1 b1=1";
    QTest::newRow("delete: parent settles checked and cascades over the departing node too")
            << "R=3 A=3 a1=1 a2=2 B=1 b1=1" << true << "" << "delete:a1"
            << QStringList{"changing A 2", "change A 2", "changing a1 2", "change a1 2", "children"}
            << "R=3 A=2 a2=2 B=1 b1=1";
    QTest::newRow("delete: last child leaves the parent unchecked")
            << "R=2 A=2 a1=2 a2=2 B=2 b1=2" << true << "" << "delete:b1"
            << QStringList{"changing B 1", "change B 1", "changing b1 1", "change b1 1", "children",
                           "changing R 3", "change R 3"}
            << "R=3 A=2 a1=2 a2=2 B=1";
    QTest::newRow("delete: partially checked parent goes no further")
            << "R=3 A=3 a1=3 a2=2 B=1 b1=1" << true << "" << "delete:a2"
            << QStringList{} << "R=3 A=3 a1=3 B=1 b1=1";
    QTest::newRow("delete: cascade off")
            << "R=3 A=3 a1=1 a2=2 B=1 b1=1" << false << "" << "delete:a1" << QStringList()
            << "R=3 A=3 a2=2 B=1 b1=1";
    QTest::newRow("delete: top-level node") << unchecked << true << "" << "delete:R" << QStringList() << "";
}

void tst_TCheckTree::cascade()
{
    QFETCH(QString, before);
    QFETCH(bool, cascadeChecks);
    QFETCH(QString, veto);
    QFETCH(QString, action);
    QFETCH(QStringList, events);
    QFETCH(QString, after);

    ShopLikeTree t;
    t.setStates(before);
    QCOMPARE(t.states(), before);
    t.tree.SetCascadeChecks(cascadeChecks);
    t.veto = veto;
    QTreeWidgetItem *target = t.node.value(action.section(':', 1));
    const QString verb = action.section(':', 0, 0);
    if (verb == "toggle")
        t.tree.ToggleCheckState(target);
    else if (verb == "parents")
        t.tree.CascadeToParents(target);
    else
        t.tree.DeleteNode(target);
    QCOMPARE(t.log, events);
    QCOMPARE(t.states(), after);
}

void tst_TCheckTree::unassignedNodesGetEmptyBoxWithoutEvents()
{
    ShopLikeTree t;
    QCOMPARE(TCheckTree::CheckState(t.node["a1"]), -1);
    QVERIFY(t.show());
    QCOMPARE(t.states(), "R=1 A=1 a1=1 a2=1 B=1 b1=1");

    // A node added later, to a shown tree, gets its box with the next paint.
    auto *late = new QTreeWidgetItem(t.node["B"], {"b2"});
    QCOMPARE(TCheckTree::CheckState(late), -1);
    QTRY_COMPARE(TCheckTree::CheckState(late), int(csUnchecked));
    QVERIFY(t.log.isEmpty());
}

void tst_TCheckTree::unassignedSiblingsAreNotCounted()
{
    // Never painted: a2 still holds -1 and does not count against a1.
    ShopLikeTree t;
    t.tree.ToggleCheckState(t.node["a1"]);
    QCOMPARE(t.states(), "R=2 A=2 a1=2 a2=-1 B=-1 b1=-1");
}

void tst_TCheckTree::boxHitArea_data()
{
    QTest::addColumn<int>("dx");         // from the left edge of a1's row
    QTest::addColumn<QString>("yAt");    // "top", "bottom", "above", "below" or "middle"
    QTest::addColumn<QString>("toggled");

    QTest::newRow("left edge, inside") << 0 << "middle" << "a1";
    QTest::newRow("left edge, one pixel outside") << -1 << "middle" << "";
    QTest::newRow("right edge, inside") << 19 << "middle" << "a1";
    QTest::newRow("right edge, first pixel of the icon column") << 20 << "middle" << "";
    QTest::newRow("top row of pixels") << 9 << "top" << "a1";
    QTest::newRow("bottom row of pixels") << 9 << "bottom" << "a1";
    QTest::newRow("one pixel above: the row above") << 9 << "above" << "A";
    QTest::newRow("one pixel below: the row below") << 9 << "below" << "a2";
    QTest::newRow("on the label") << 40 << "middle" << "";
}

void tst_TCheckTree::boxHitArea()
{
    QFETCH(int, dx);
    QFETCH(QString, yAt);
    QFETCH(QString, toggled);

    ShopLikeTree t;
    QVERIFY(t.show());
    const QRect row = t.tree.visualItemRect(t.node["a1"]);
    QCOMPARE(t.tree.CheckBoxArea(t.node["a1"]), QRect(row.topLeft(), QSize(20, row.height())));
    int x = row.left() + dx;
    int y = row.center().y();
    if (yAt == "top")
        y = row.top();
    else if (yAt == "bottom")
        y = row.bottom();
    else if (yAt == "above") {
        // A, one level up, has its box one indentation further left.
        y = row.top() - 1;
        x -= t.tree.indentation();
    } else if (yAt == "below")
        y = row.bottom() + 1;

    QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, {}, QPoint(x, y));
    QCOMPARE(t.completed(), toggled.isEmpty() ? QStringList() : QStringList{"complete " + toggled});
    // The press made the node under the pointer current either way (outside-left is a1's
    // indentation, which selects a1 too).
    const QString expectedCurrent = yAt == "above" ? "A" : yAt == "below" ? "a2" : "a1";
    QCOMPARE(t.tree.currentItem()->text(0), expectedCurrent);

    // Other buttons never toggle.
    t.log.clear();
    QTest::mouseClick(t.tree.viewport(), Qt::RightButton, {}, t.boxOf("a1"));
    QTest::mouseClick(t.tree.viewport(), Qt::MiddleButton, {}, t.boxOf("a1"));
    QVERIFY(t.log.isEmpty());
}

void tst_TCheckTree::pressRelease_data()
{
    QTest::addColumn<QString>("pressAt");
    QTest::addColumn<QString>("moveTo"); // empty: no move between press and release
    QTest::addColumn<QString>("releaseAt");
    QTest::addColumn<QStringList>("completed");

    QTest::newRow("release on the same box") << "box:a1" << "" << "box:a1" << QStringList{"complete a1"};
    QTest::newRow("release on its label, still current") << "box:a1" << "" << "label:a1" << QStringList{"complete a1"};
    QTest::newRow("release over another row, a1 still current") << "box:a1" << "" << "label:b1" << QStringList{"complete a1"};
    QTest::newRow("drag onto another row: it becomes current") << "box:a1" << "label:b1" << "label:b1" << QStringList();
    QTest::newRow("release outside the tree") << "box:a1" << "" << "outside" << QStringList();
    QTest::newRow("drag out of the tree and release there") << "box:a1" << "outside" << "outside" << QStringList();
    QTest::newRow("press on the label, release on the box") << "label:a1" << "" << "box:a1" << QStringList();
}

void tst_TCheckTree::pressRelease()
{
    QFETCH(QString, pressAt);
    QFETCH(QString, moveTo);
    QFETCH(QString, releaseAt);
    QFETCH(QStringList, completed);

    ShopLikeTree t;
    QVERIFY(t.show());
    QTest::mousePress(t.tree.viewport(), Qt::LeftButton, {}, t.at(pressAt));
    if (!moveTo.isEmpty())
        QTest::mouseMove(t.tree.viewport(), t.at(moveTo));
    QTest::mouseRelease(t.tree.viewport(), Qt::LeftButton, {}, t.at(releaseAt));
    QCOMPARE(t.completed(), completed);
}

void tst_TCheckTree::armingEndsWithAnyRelease()
{
    ShopLikeTree t;
    QVERIFY(t.show());
    QTest::mousePress(t.tree.viewport(), Qt::LeftButton, {}, t.boxOf("a1"));
    QTest::mouseRelease(t.tree.viewport(), Qt::LeftButton, {}, t.at("outside"));
    // A later click on the label of the same, still current node only selects.
    QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, {}, t.labelOf("a1"));
    QCOMPARE(t.tree.currentItem(), t.node["a1"]);
    QVERIFY(t.log.isEmpty());
}

void tst_TCheckTree::doubleClickOnBoxTogglesTwice()
{
    ShopLikeTree t;
    t.node["A"]->setExpanded(false);
    QVERIFY(t.show());
    // As the window system delivers it: press, release, double click, release.
    QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, {}, t.boxOf("A"));
    QTest::mouseDClick(t.tree.viewport(), Qt::LeftButton, {}, t.boxOf("A"));
    QTest::mouseRelease(t.tree.viewport(), Qt::LeftButton, {}, t.boxOf("A"));
    QCOMPARE(t.completed(), (QStringList{"complete A", "complete A"}));
    QCOMPARE(t.states(), "R=1 A=1 a1=1 a2=1 B=1 b1=1");
    QVERIFY(!t.node["A"]->isExpanded());

    // On the label a double click still expands.
    QTest::mouseDClick(t.tree.viewport(), Qt::LeftButton, {}, t.labelOf("A"));
    QVERIFY(t.node["A"]->isExpanded());
}

void tst_TCheckTree::space_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("keys"); // P press, p auto-repeated press, R release, r auto-repeated release
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QStringList>("completed");

    QTest::newRow("click") << "a1" << "PR" << Qt::KeyboardModifiers() << QStringList{"complete a1"};
    QTest::newRow("with Ctrl held") << "a1" << "PR" << Qt::KeyboardModifiers(Qt::ControlModifier) << QStringList{"complete a1"};
    QTest::newRow("with Shift held") << "B" << "PR" << Qt::KeyboardModifiers(Qt::ShiftModifier) << QStringList{"complete B"};
    QTest::newRow("no current node") << "" << "PR" << Qt::KeyboardModifiers() << QStringList();
    QTest::newRow("held: repeated presses, one release") << "a1" << "PpppR" << Qt::KeyboardModifiers() << QStringList{"complete a1"};
    QTest::newRow("held: repeated press and release pairs") << "a1" << "PrprprR" << Qt::KeyboardModifiers() << QStringList{"complete a1"};
    QTest::newRow("held: an auto-repeated release is not the release") << "a1" << "Pprp" << Qt::KeyboardModifiers() << QStringList();
    QTest::newRow("pressed only: not yet") << "a1" << "Ppp" << Qt::KeyboardModifiers() << QStringList();
    QTest::newRow("release of a press the tree never saw") << "a1" << "R" << Qt::KeyboardModifiers() << QStringList();
    QTest::newRow("two clicks") << "a1" << "PRPR" << Qt::KeyboardModifiers() << QStringList{"complete a1", "complete a1"};
}

void tst_TCheckTree::space()
{
    QFETCH(QString, current);
    QFETCH(QString, keys);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QStringList, completed);

    ShopLikeTree t;
    // A node whose label starts with a blank: type-ahead on the typed space would select it.
    new QTreeWidgetItem(&t.tree, {" spaced"});
    QVERIFY(t.show());
    t.tree.setCurrentItem(t.node.value(current));
    QCOMPARE(t.tree.currentItem(), t.node.value(current));

    for (const QChar key : keys) {
        const bool press = key.toUpper() == 'P';
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Space, modifiers,
                        QStringLiteral(" "), key.isLower());
        QApplication::sendEvent(&t.tree, &event);
        if (press)
            QVERIFY2(event.isAccepted(), "the space is swallowed");
    }
    QCOMPARE(t.completed(), completed);
    QCOMPARE(t.tree.currentItem(), t.node.value(current));
}

void tst_TCheckTree::autoExpandIsSingleExpand()
{
    ShopLikeTree t;
    t.tree.collapseAll();
    t.tree.SetAutoSelect(true);
    QSignalSpy autoSelect(&t.tree, &TCheckTree::autoSelectChanged);
    t.tree.SetAutoExpand(true);
    QVERIFY(!t.tree.AutoSelect());
    QCOMPARE(autoSelect.count(), 1);
    QVERIFY(t.show());

    auto expanded = [&t] {
        QStringList names;
        for (QTreeWidgetItemIterator it(&t.tree); *it; ++it)
            if ((*it)->isExpanded())
                names << (*it)->text(0);
        return names;
    };
    QStringList seen;
    for (const char *name : {"R", "A", "a1", "B", "b1", "A"}) {
        QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, {}, t.labelOf(name));
        QVERIFY(t.tree.currentItem());
        QCOMPARE(t.tree.currentItem()->text(0), QString(name));
        seen << expanded().join(',');
    }
    QCOMPARE(seen, (QStringList{"R", "R,A", "R,A", "R,B", "R,B", "R,A"}));
    QVERIFY(t.log.isEmpty());
}

void tst_TCheckTree::autoExpandWaitsForTheRelease()
{
    // a1 current with A open: a click on B's box must not collapse A under the pointer before
    // the release, or B's row would move away from it.
    ShopLikeTree t;
    t.tree.SetAutoExpand(true);
    QVERIFY(t.show());
    t.tree.setCurrentItem(t.node["a1"]);
    const QPoint bBox = t.boxOf("B");
    QTest::mousePress(t.tree.viewport(), Qt::LeftButton, {}, bBox);
    QCOMPARE(t.tree.currentItem(), t.node["B"]);
    QVERIFY(t.node["A"]->isExpanded());
    QTest::mouseRelease(t.tree.viewport(), Qt::LeftButton, {}, bBox);
    QCOMPARE(t.completed(), QStringList{"complete B"});
    QVERIFY(!t.node["A"]->isExpanded());
    QVERIFY(t.node["B"]->isExpanded());

    // Dragging with the button held: the branches follow the node current at the release.
    t.log.clear();
    t.tree.setCurrentItem(t.node["b1"]);
    t.node["A"]->setExpanded(true);
    QTest::mousePress(t.tree.viewport(), Qt::LeftButton, {}, t.labelOf("b1"));
    QTest::mouseMove(t.tree.viewport(), t.labelOf("a2"));
    QCOMPARE(t.tree.currentItem(), t.node["a2"]);
    QVERIFY(t.node["B"]->isExpanded());
    QTest::mouseRelease(t.tree.viewport(), Qt::LeftButton, {}, t.labelOf("a2"));
    QVERIFY(!t.node["B"]->isExpanded());
    QVERIFY(t.node["A"]->isExpanded());
    QVERIFY(t.log.isEmpty());
}

void tst_TCheckTree::checkImagesTellStatesApart()
{
    ShopLikeTree t;
    QVERIFY(t.show());
    t.tree.setCurrentItem(nullptr);
    t.tree.clearSelection();
    t.setStates("R=0 A=1 a1=2 a2=3");
    auto boxImage = [&t](const char *name) {
        return t.tree.viewport()->grab(t.tree.CheckBoxArea(t.node[name])).toImage();
    };
    const QImage unknown = boxImage("R"), empty = boxImage("A"), ticked = boxImage("a1"),
                 mixed = boxImage("a2");
    QCOMPARE(empty.size(), QSize(20, t.tree.visualItemRect(t.node["A"]).height()));
    QVERIFY(empty != ticked);
    QVERIFY(ticked != mixed);
    QVERIFY(empty != mixed);
    // No box: the column is plain background.
    const QRgb background = unknown.pixel(0, 0);
    for (int y = 0; y < unknown.height(); ++y)
        for (int x = 0; x < unknown.width(); ++x)
            QCOMPARE(unknown.pixel(x, y), background);
    QVERIFY(empty.pixel(empty.width() / 2, empty.height() / 2) != empty.pixel(2, empty.height() / 2));
    QVERIFY(t.log.isEmpty());
}

QTEST_MAIN(tst_TCheckTree)
#include "tst_TCheckTree.moc"
