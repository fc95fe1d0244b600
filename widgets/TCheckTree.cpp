#include "TCheckTree.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>

#include <utility>

// Paints every row as box column, then icon and label as the style lays them out.
class TCheckTreeDelegate : public QStyledItemDelegate
{
public:
    explicit TCheckTreeDelegate(TCheckTree *tree) : QStyledItemDelegate(tree), m_tree(tree) { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        if (index.column() != 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QRect column(option.rect.left(), option.rect.top(), TCheckTree::CheckColumnWidth,
                           option.rect.height());
        const QVariant state = index.data(TCheckTree::CheckStateDataRole);
        m_tree->drawCheckImage(painter, column, state.isValid() ? state.toInt() : -1, option);

        QStyleOptionViewItem rest(option);
        rest.rect.setLeft(column.right() + 1);
        QStyledItemDelegate::paint(painter, rest, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (index.column() == 0) {
            size.rwidth() += TCheckTree::CheckColumnWidth;
            size.setHeight(qMax(size.height(), 16));
        }
        return size;
    }

private:
    TCheckTree *m_tree;
};

TCheckTree::TCheckTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(SingleSelection);
    // Labels are read-only.
    setEditTriggers(NoEditTriggers);
    setItemDelegate(new TCheckTreeDelegate(this));

    auto selectOnExpandCollapse = [this](QTreeWidgetItem *item) {
        if (m_autoSelect)
            setCurrentItem(item);
    };
    connect(this, &QTreeWidget::itemExpanded, this, selectOnExpandCollapse);
    connect(this, &QTreeWidget::itemCollapsed, this, selectOnExpandCollapse);
}

TCheckTree::~TCheckTree() = default;

int TCheckTree::CheckState(const QTreeWidgetItem *node)
{
    if (!node)
        return -1;
    const QVariant state = node->data(0, CheckStateDataRole);
    return state.isValid() ? state.toInt() : -1;
}

void TCheckTree::SetCheckState(QTreeWidgetItem *node, int state)
{
    // Only -1 and the TCheckState values are states; anything else is ignored.
    if (!node || state < -1 || state > csPartiallyChecked)
        return;
    node->setData(0, CheckStateDataRole, state);
    if (state == -1) {
        if (auto *tree = qobject_cast<TCheckTree *>(node->treeWidget()))
            tree->m_unassignedPending = true;
    }
}

void TCheckTree::SetNodeCheckState(QTreeWidgetItem *node, TCheckState newState)
{
    if (!node || CheckState(node) == newState)
        return;
    bool allowChange = true;
    if (OnStateChanging)
        OnStateChanging(this, node, newState, allowChange);
    if (!allowChange)
        return;
    SetCheckState(node, newState);
    if (OnStateChange)
        OnStateChange(this, node, newState);
}

void TCheckTree::ToggleCheckState(QTreeWidgetItem *node)
{
    m_armed = QPersistentModelIndex();
    if (!node)
        return;
    const int state = CheckState(node);
    if (state == csUnknown)
        return;
    SetNodeCheckState(node, state == csChecked ? csUnchecked : csChecked);
    if (m_cascadeChecks) {
        // After a veto the node's unchanged state is what goes down.
        CascadeToChildren(node, CheckState(node) == csChecked);
        CascadeToParents(node);
    }
    if (OnCascadeComplete)
        OnCascadeComplete(this, node);
}

void TCheckTree::CascadeToChildren(QTreeWidgetItem *node, bool checked)
{
    const TCheckState state = checked ? csChecked : csUnchecked;
    const std::function<void(QTreeWidgetItem *)> visit = [&](QTreeWidgetItem *parent) {
        for (int i = 0; i < parent->childCount(); ++i) {
            QTreeWidgetItem *child = parent->child(i);
            SetNodeCheckState(child, state);
            visit(child);
        }
    };
    if (node)
        visit(node);
    if (OnUpdateChildren)
        OnUpdateChildren(this);
}

void TCheckTree::CascadeToParents(QTreeWidgetItem *node)
{
    // Every ancestor is recomputed, also above one that did not change: a veto further down
    // may have left it out of step with its children.
    for (QTreeWidgetItem *parent = node ? node->parent() : nullptr; parent; parent = parent->parent())
        SetNodeCheckState(parent, stateFromChildren(parent));
}

TCheckState TCheckTree::stateFromChildren(const QTreeWidgetItem *parent, const QTreeWidgetItem *skip)
{
    int checked = 0;
    int unchecked = 0;
    for (int i = 0; i < parent->childCount(); ++i) {
        const QTreeWidgetItem *child = parent->child(i);
        if (child == skip)
            continue;
        switch (CheckState(child)) {
        case csPartiallyChecked:
            return csPartiallyChecked;
        case csChecked:
            ++checked;
            break;
        case csUnchecked:
            ++unchecked;
            break;
        default: // no box, or not yet assigned: not counted
            break;
        }
        if (checked > 0 && unchecked > 0)
            return csPartiallyChecked;
    }
    return checked > 0 ? csChecked : csUnchecked;
}

void TCheckTree::RecomputeFromChildren(QTreeWidgetItem *parent, QTreeWidgetItem *departing)
{
    if (!parent)
        return;
    SetNodeCheckState(parent, stateFromChildren(parent, departing));
    const int state = CheckState(parent);
    if (state == csChecked || state == csUnchecked) {
        CascadeToChildren(parent, state == csChecked);
        CascadeToParents(parent);
    }
}

void TCheckTree::DeleteNode(QTreeWidgetItem *node)
{
    if (!node || node->treeWidget() != this)
        return;
    if (m_cascadeChecks && node->parent())
        RecomputeFromChildren(node->parent(), node);
    delete node;
}

QRect TCheckTree::CheckBoxArea(const QTreeWidgetItem *node) const
{
    const QRect row = node ? visualItemRect(node) : QRect();
    if (row.isEmpty())
        return QRect();
    return QRect(row.left(), row.top(), CheckColumnWidth, row.height());
}

void TCheckTree::SetCascadeChecks(bool on)
{
    if (m_cascadeChecks == on)
        return;
    m_cascadeChecks = on;
    emit cascadeChecksChanged(on);
}

void TCheckTree::SetAutoExpand(bool on)
{
    if (on)
        SetAutoSelect(false);
    if (m_autoExpand == on)
        return;
    m_autoExpand = on;
    emit autoExpandChanged(on);
}

void TCheckTree::SetAutoSelect(bool on)
{
    if (m_autoSelect == on)
        return;
    m_autoSelect = on;
    emit autoSelectChanged(on);
}

void TCheckTree::settleUnassigned()
{
    if (!m_unassignedPending)
        return;
    m_unassignedPending = false;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if (CheckState(*it) == -1)
            SetCheckState(*it, csUnchecked);
    }
}

void TCheckTree::paintEvent(QPaintEvent *event)
{
    settleUnassigned();
    QTreeWidget::paintEvent(event);
}

void TCheckTree::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QTreeWidget::rowsInserted(parent, start, end);
    m_unassignedPending = true;
}

void TCheckTree::armAt(QMouseEvent *event, QTreeWidgetItem *pressed, bool onBox)
{
    if (event->button() != Qt::LeftButton)
        return;
    QTreeWidgetItem *current = currentItem();
    m_armed = onBox && current && current == pressed ? QPersistentModelIndex(indexFromItem(current))
                                                     : QPersistentModelIndex();
}

void TCheckTree::mousePressEvent(QMouseEvent *event)
{
    // The box hit-test uses the layout the user pressed on, before the view reacts.
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem *pressed = itemAt(pos);
    const bool onBox = pressed && CheckBoxArea(pressed).contains(pos);
    m_mouseDown = true;
    QTreeWidget::mousePressEvent(event);
    armAt(event, pressed, onBox);
}

void TCheckTree::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem *pressed = itemAt(pos);
    const bool onBox = event->button() == Qt::LeftButton && pressed
            && CheckBoxArea(pressed).contains(pos);
    if (!onBox) {
        QTreeWidget::mouseDoubleClickEvent(event);
        return;
    }
    // The second press of a quick double click arrives as a double click. On a box it is a
    // press like any other, so that each click toggles, and it does not expand the node.
    m_mouseDown = true;
    QTreeWidget::mousePressEvent(event);
    armAt(event, pressed, onBox);
}

void TCheckTree::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        if (event->buttons() == Qt::NoButton)
            endMouseDown();
        return;
    }
    // Every left release ends the arming, so a release outside the tree or after the current
    // node changed leaves nothing behind for a later click on a label.
    const QPersistentModelIndex armed = std::exchange(m_armed, QPersistentModelIndex());
    if (armed.isValid() && armed == currentIndex()
            && viewport()->rect().contains(event->position().toPoint()))
        ToggleCheckState(currentItem());
    if (event->buttons() == Qt::NoButton)
        endMouseDown();
}

void TCheckTree::endMouseDown()
{
    m_mouseDown = false;
    if (std::exchange(m_expandPending, false))
        singleExpand(std::exchange(m_expandFrom, QPersistentModelIndex()), currentIndex());
}

void TCheckTree::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space) {
        // Space toggles when released; its blank must not start a type-ahead search either.
        if (!event->isAutoRepeat())
            m_spacePressed = true;
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TCheckTree::keyReleaseEvent(QKeyEvent *event)
{
    // Auto-repeat sends releases as well (X11): only the real one toggles, so holding Space
    // toggles once.
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat() && std::exchange(m_spacePressed, false)
                && state() != EditingState && currentItem())
            ToggleCheckState(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyReleaseEvent(event);
}

void TCheckTree::focusOutEvent(QFocusEvent *event)
{
    m_spacePressed = false;
    // A release that goes elsewhere (a pop-up took the mouse) must not leave the branches stale.
    if (m_mouseDown && QGuiApplication::mouseButtons() == Qt::NoButton)
        endMouseDown();
    QTreeWidget::focusOutEvent(event);
}

void TCheckTree::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeWidget::currentChanged(current, previous);
    if (!m_autoExpand)
        return;
    // While a button is held the rows must stay where the user pressed: collapsing a branch
    // above would move the pressed row away and confuse the press and drag handling. The
    // branches follow the selection when the button is released.
    if (m_mouseDown) {
        if (!m_expandPending) {
            m_expandPending = true;
            m_expandFrom = previous;
        }
        return;
    }
    singleExpand(previous, current);
}

void TCheckTree::singleExpand(const QModelIndex &previous, const QModelIndex &current)
{
    auto isAncestorOrSelf = [](const QModelIndex &candidate, QModelIndex index) {
        for (; index.isValid(); index = index.parent()) {
            if (index == candidate)
                return true;
        }
        return false;
    };
    // Collapse the branch that lost the selection, up to where it meets the new node's path.
    for (QModelIndex index = previous; index.isValid(); index = index.parent()) {
        if (!isAncestorOrSelf(index, current))
            collapse(index);
    }
    if (current.isValid() && model()->hasChildren(current))
        expand(current);
}

void TCheckTree::drawCheckImage(QPainter *painter, const QRect &column, int state,
                                const QStyleOptionViewItem &option) const
{
    if (state == csUnknown)
        return;
    QStyleOptionButton box;
    box.initFrom(this);
    box.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    box.state |= option.state & QStyle::State_Enabled;
    switch (state) {
    case csChecked:
        box.state |= QStyle::State_On;
        break;
    case csPartiallyChecked:
        box.state |= QStyle::State_NoChange;
        break;
    default:
        box.state |= QStyle::State_Off;
        break;
    }
    // The box sits 2 pixels from the column's left edge, centred vertically.
    box.rect = QRect(column.left() + 2, column.top() + (column.height() - CheckBoxSize) / 2,
                     CheckBoxSize, CheckBoxSize);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, this);
}
