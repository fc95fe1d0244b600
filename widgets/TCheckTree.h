#pragma once

#include <QPersistentModelIndex>
#include <QTreeWidget>

#include <functional>

class QTreeWidgetItem;

// Check states of a tree node. A node that was never given one holds -1 (unassigned) until
// the tree next paints, when it becomes csUnchecked.
enum TCheckState : int {
    csUnknown = 0,          // no check box; toggling does nothing
    csUnchecked = 1,
    csChecked = 2,
    csPartiallyChecked = 3  // its children disagree, or one of them is partially checked
};

// A tree whose nodes carry a three-state check box. A toggle is carried down to every
// descendant and up through every ancestor, so that each parent summarises its children.
// The cascade and its events follow this widget's own rules, not Qt's automatic tri-state:
// every change goes through SetNodeCheckState, which asks OnStateChanging (veto) and then
// reports OnStateChange; a downward cascade ends with OnUpdateChildren and every user toggle
// with OnCascadeComplete.
//
// Each node row begins with a 20-pixel column holding its box, followed by the icon and the
// label. A left press on the box of the node it makes current arms a toggle, which the
// release inside the tree performs if that node is still current. Space toggles the current
// node when released.
class TCheckTree : public QTreeWidget
{
    Q_OBJECT
    Q_PROPERTY(bool CascadeChecks READ CascadeChecks WRITE SetCascadeChecks NOTIFY cascadeChecksChanged)
    Q_PROPERTY(bool AutoExpand READ AutoExpand WRITE SetAutoExpand NOTIFY autoExpandChanged)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect NOTIFY autoSelectChanged)

public:
    // The item data role (column 0) that holds a node's check state.
    static constexpr int CheckStateDataRole = Qt::UserRole + 0x0C5;
    // Width of the box column at the start of every row, and the box's side.
    static constexpr int CheckColumnWidth = 20;
    static constexpr int CheckBoxSize = 13;

    explicit TCheckTree(QWidget *parent = nullptr);
    ~TCheckTree() override;

    // A node's check state: -1 (unassigned) or a TCheckState value.
    static int CheckState(const QTreeWidgetItem *node);
    // Writes a node's state directly: the box is redrawn, no event is raised, nothing cascades.
    static void SetCheckState(QTreeWidgetItem *node, int state);

    // The guarded change of one node: OnStateChanging may veto it, OnStateChange reports it.
    // Nothing happens when the node already holds `newState`.
    void SetNodeCheckState(QTreeWidgetItem *node, TCheckState newState);
    // What a click on the box or the Space key does to `node`.
    void ToggleCheckState(QTreeWidgetItem *node);
    // Sets every descendant of `node` (depth-first, pre-order), then raises OnUpdateChildren.
    void CascadeToChildren(QTreeWidgetItem *node, bool checked);
    // Recomputes every ancestor of `node` from its children, nearest first.
    void CascadeToParents(QTreeWidgetItem *node);
    // Recomputes `parent` without its departing child `departing` and, when that settles it
    // to checked or unchecked, carries the result down and up.
    void RecomputeFromChildren(QTreeWidgetItem *parent, QTreeWidgetItem *departing);
    // Deletes `node` and its subtree, first updating its parent while CascadeChecks is on.
    void DeleteNode(QTreeWidgetItem *node);

    // The area whose left press arms a toggle of `node`: the box column of its row, in
    // viewport coordinates. Empty for a node that is not shown.
    QRect CheckBoxArea(const QTreeWidgetItem *node) const;

    bool CascadeChecks() const { return m_cascadeChecks; }
    void SetCascadeChecks(bool on);
    // Single-expand: selecting a node expands it and collapses the branch of the node that
    // was selected before. Turning it on turns AutoSelect off.
    bool AutoExpand() const { return m_autoExpand; }
    void SetAutoExpand(bool on);
    // Expanding or collapsing a node also selects it.
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool on);

    // Events; Sender is the tree.
    std::function<void(QObject *Sender, QTreeWidgetItem *Node, TCheckState NewState, bool &AllowChange)> OnStateChanging;
    std::function<void(QObject *Sender, QTreeWidgetItem *Node, TCheckState NewState)> OnStateChange;
    std::function<void(QObject *Sender)> OnUpdateChildren;
    std::function<void(QObject *Sender, QTreeWidgetItem *Node)> OnCascadeComplete;

signals:
    void cascadeChecksChanged(bool on);
    void autoExpandChanged(bool on);
    void autoSelectChanged(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    friend class TCheckTreeDelegate;

    // The state the rule of the cascade gives `parent`, its child `skip` left out.
    static TCheckState stateFromChildren(const QTreeWidgetItem *parent, const QTreeWidgetItem *skip = nullptr);
    void settleUnassigned();
    void armAt(QMouseEvent *event, QTreeWidgetItem *pressed, bool onBox);
    void endMouseDown();
    void singleExpand(const QModelIndex &previous, const QModelIndex &current);
    void drawCheckImage(QPainter *painter, const QRect &column, int state,
                        const QStyleOptionViewItem &option) const;

    bool m_cascadeChecks = true;
    bool m_autoExpand = false;
    bool m_autoSelect = false;
    bool m_unassignedPending = false;
    // The node whose box a left press armed; invalid while no toggle is armed.
    QPersistentModelIndex m_armed;
    // A mouse button is held over the tree; single-expand waits for its release, starting
    // from the node that was current when the wait began.
    bool m_mouseDown = false;
    bool m_expandPending = false;
    QPersistentModelIndex m_expandFrom;
    // Set by a Space press this tree saw, so that a stray release does not toggle.
    bool m_spacePressed = false;
};
