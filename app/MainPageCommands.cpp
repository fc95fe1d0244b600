// The main window's navigation toolbar and file menu; every command acts on the active tab.
#include "U_Main.h"

#include "TBrowserView.h"
#include "TPageControl.h"
#include "TTabSheetEx.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

void TFrm_Main::createPageCommands()
{
    pmSave = pmRopt->addAction(QStringLiteral("保存网页(&S)"));
    pmSave->setObjectName(QStringLiteral("pmSave"));
    pmSave->setStatusTip(QStringLiteral("保存网页"));
    pmSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    N2 = pmRopt->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    pmPageSetting = pmRopt->addAction(QStringLiteral("页面设置(&O)"));
    pmPageSetting->setObjectName(QStringLiteral("pmPageSetting"));
    pmPrint = pmRopt->addAction(QStringLiteral("打印(&P)"));
    pmPrint->setObjectName(QStringLiteral("pmPrint"));
    pmPrint->setStatusTip(QStringLiteral("打印网页"));
    pmPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // The shortcuts work anywhere in the window, not only while the menu is open.
    addActions({pmSave, pmPrint});
    for (QAction *action : {pmSave, pmPrint})
        action->setShortcutContext(Qt::WindowShortcut);

    // A highlighted item's hint goes to the status pane however the menu was opened.
    connect(pmRopt, &QMenu::hovered, this, [this](QAction *item) { sBarStus->setText(item->statusTip()); });
    // The pointer is on no item once the menu is gone.
    connect(pmRopt, &QMenu::aboutToHide, sBarStus, &QLabel::clear);
    // The file button's context menu is the file menu too.
    BtnOptn->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(BtnOptn, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmRopt->popup(BtnOptn->mapToGlobal(pos)); });

    connect(pmSave, &QAction::triggered, this, &TFrm_Main::pmSaveClick);
    connect(pmPageSetting, &QAction::triggered, this, &TFrm_Main::pmPageSettingClick);
    connect(pmPrint, &QAction::triggered, this, &TFrm_Main::pmPrintClick);
    connect(btnBack, &QToolButton::clicked, this, &TFrm_Main::btnBackClick);
    connect(btnForward, &QToolButton::clicked, this, &TFrm_Main::btnForwardClick);
    connect(btnStop, &QToolButton::clicked, this, &TFrm_Main::btnStopClick);
    connect(BtnRfsh, &QToolButton::clicked, this, &TFrm_Main::BtnRfshClick);
    connect(BtnOptn, &QToolButton::clicked, this, &TFrm_Main::BtnOptnClick);
}

void TFrm_Main::btnBackClick()
{
    btnBack->setEnabled(false);
    if (TTabSheetEx *tab = ActiveTab())
        tab->Browser->GoBack();
}

void TFrm_Main::btnForwardClick()
{
    btnForward->setEnabled(false);
    if (TTabSheetEx *tab = ActiveTab())
        tab->Browser->GoForward();
}

void TFrm_Main::btnStopClick()
{
    btnStop->setEnabled(false);
    if (TTabSheetEx *tab = ActiveTab())
        tab->Browser->Stop();
}

void TFrm_Main::BtnRfshClick()
{
    BtnRfsh->setEnabled(false);
    TTabSheetEx *tab = ActiveTab();
    if (!tab)
        return;
    TBrowserView *view = tab->Browser;
    if (view->LocationURL() == QLatin1String("about:blank"))
        ShowDefaultPage(view);
    else
        view->Refresh();
}

void TFrm_Main::BtnOptnClick()
{
    pmRopt->popup(BtnOptn->mapToGlobal(QPoint(0, BtnOptn->height())));
}

void TFrm_Main::pmSaveClick()
{
    QString fileName;
    if (TTabSheetEx *tab = ActiveTab())
        tab->Browser->ShowSaveDialog(QStringLiteral("*.htm"), QApplication::applicationName(), fileName);
}

void TFrm_Main::pmPageSettingClick()
{
    if (TTabSheetEx *tab = ActiveTab())
        tab->Browser->PageSetup(true);
}

void TFrm_Main::pmPrintClick()
{
    if (TTabSheetEx *tab = ActiveTab())
        tab->Browser->PrintPreview();
}
