#include "TPageControl.h"

TTabSheet::TTabSheet(TPageControl *pageControl)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    // A press on a page belongs to the page, never to the tab row behind it.
    setAttribute(Qt::WA_NoMousePropagation);
    SetPageControl(pageControl);
}

TTabSheet::~TTabSheet()
{
    if (m_pageControl)
        m_pageControl->removePage(this);
}

void TTabSheet::SetPageControl(TPageControl *pageControl)
{
    if (pageControl == m_pageControl)
        return;
    if (m_pageControl)
        m_pageControl->removePage(this);
    if (pageControl)
        pageControl->addPage(this);
    else
        setParent(nullptr);
}

void TTabSheet::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    tabChanged();
    emit captionChanged(caption);
}

void TTabSheet::SetHint(const QString &hint)
{
    m_hint = hint;
    applyHint();
}

void TTabSheet::SetShowHint(bool show)
{
    m_showHint = show;
    applyHint();
}

void TTabSheet::applyHint()
{
    // Qt shows a tool tip that looks like markup as rich text: the hint is escaped, and kept on
    // one line as a plain tool tip would be.
    setToolTip(m_showHint && !m_hint.isEmpty()
                       ? QStringLiteral("<p style='white-space:pre'>%1</p>").arg(m_hint.toHtmlEscaped())
                       : QString());
}

void TTabSheet::SetTabVisible(bool visible)
{
    if (visible == m_tabVisible)
        return;
    m_tabVisible = visible;
    tabChanged();
}

void TTabSheet::SetTabEnabled(bool enabled)
{
    if (enabled == m_tabEnabled)
        return;
    m_tabEnabled = enabled;
    tabChanged();
}

void TTabSheet::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    tabChanged();
}

void TTabSheet::SetDisabledImageIndex(int index)
{
    if (index == m_disabledImageIndex)
        return;
    m_disabledImageIndex = index;
    tabChanged();
}

int TTabSheet::PageIndex() const
{
    return m_pageControl ? int(m_pageControl->m_pages.indexOf(const_cast<TTabSheet *>(this))) : -1;
}

void TTabSheet::SetPageIndex(int index)
{
    if (m_pageControl)
        m_pageControl->movePage(this, index);
}

void TTabSheet::tabChanged()
{
    if (m_pageControl)
        m_pageControl->tabsChanged();
}
