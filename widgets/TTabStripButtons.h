#pragma once

#include <QAbstractButton>

// The small buttons of the strip: flat, painted in the palette, pushed while held over them.
class TTabStripButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum Glyph { CloseGlyph, MenuGlyph, LeftArrowGlyph, RightArrowGlyph };

    TTabStripButton(Glyph glyph, QWidget *parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    Glyph m_glyph;
};

// The close button at the end of the row. A left click closes the active tab; a right or
// middle press asks to close every page.
class TTabControlCloseButton final : public TTabStripButton
{
    Q_OBJECT
public:
    explicit TTabControlCloseButton(QWidget *parent);

signals:
    void closeAllRequested();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The small close button on the active tab; left clicks only.
class TActiveTabCloseButton final : public TTabStripButton
{
    Q_OBJECT
public:
    explicit TActiveTabCloseButton(QWidget *parent);
};

// Opens the tab menu. Any mouse button works: pressed while held, clicked on a release over it.
class TTabMenuButton final : public TTabStripButton
{
    Q_OBJECT
public:
    explicit TTabMenuButton(QWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Qt::MouseButton m_heldButton = Qt::NoButton;
};

// The pair of arrows shown while the tabs overflow the row.
class TTabScroller final : public QWidget
{
    Q_OBJECT
public:
    explicit TTabScroller(QWidget *parent);

    void setArrowsEnabled(bool towardsStart, bool towardsEnd);
    TTabStripButton *startArrow() const { return m_startArrow; }
    TTabStripButton *endArrow() const { return m_endArrow; }

signals:
    // -1 towards the first tab, +1 towards the last.
    void scrollRequested(int step);

private:
    TTabStripButton *m_startArrow;
    TTabStripButton *m_endArrow;
};
