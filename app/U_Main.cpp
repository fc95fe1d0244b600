#include "U_Main.h"

#include "Images.h"
#include "THistoryKeeper.h"
#include "TFindBar.h"
#include "TMainKeys.h"
#include "TDownloadManager.h"
#include "TPageControl.h"
#include "TSitePermissions.h"
#include "TTabSheetEx.h"
#include "TProgressPane.h"
#include "MessageBoxes.h"
#include "U_Pub.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineProfile>

namespace {

// The window's font: "宋体" 12 px, falling back to an installed CJK face where it is missing.
QFont windowFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(12);
    return font;
}

QFrame *makePanel(const QString &name, QWidget *parent)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(name);
    return panel;
}

QLabel *makeLabel(const QString &name, const QString &caption, QWidget *parent, int x, int y)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(x, y);
    return label;
}

QToolButton *makeToolButton(const QString &name, QWidget *parent, const QRect &geometry,
                            const QString &caption, const QString &hint, int image)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    SetHint(button, hint);
    if (image >= 0)
        button->setIcon(MenuImage(image));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setGeometry(geometry);
    return button;
}

} // namespace

void SetHint(QWidget *control, const QString &hint)
{
    control->setToolTip(hint);
    control->setStatusTip(hint);
}

TFrm_Main::TFrm_Main(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_Main"));
    // The start page is issued before anything else is built: the engine starts with it, and
    // the start page's renderer is launched and fed while the rest of the window is made and
    // shown. The start tab takes the view below.
    m_startView = newBrowserView(this);
    m_startView->hide();
    ShowDefaultPage(m_startView);
    createControls();
    FormCreate();
    // The popular shops and the start tab are made with the window rather than when it is first
    // shown. The engine's view is then in place before the window system's window exists, which
    // is made once, ready for the engine's drawing; added to a shown window, the view had the
    // window made a second time.
    CreateTopShopButtons();
    OpenStartTab();
}

TFrm_Main::~TFrm_Main()
{
    // The tabs go first, while the window they report to is still whole; whatever they report
    // on the way out changes nothing.
    m_closing = true;
    delete PageControl1;
    PageControl1 = nullptr;
}

void TFrm_Main::createControls()
{
    setFont(windowFont());
    resize(971, 536);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Top panel: logo, shop box, keyword box, compare button.
    pTop = makePanel(QStringLiteral("pTop"), this);
    pTop->setFixedHeight(65);
    pTop->setStyleSheet(QStringLiteral(
        "#pTop { border: 1px solid #b9c6d8; border-radius: 4px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dfe8f5); }"));
    outer->addWidget(pTop);

    ImgLogo = new QLabel(pTop);
    ImgLogo->setObjectName(QStringLiteral("ImgLogo"));
    ImgLogo->setGeometry(8, 4, 153, 57);
    ImgLogo->setAlignment(Qt::AlignCenter);
    ImgLogo->setPixmap(LogoPixmap(QSize(153, 57), devicePixelRatioF()));
    ImgLogo->setCursor(Qt::PointingHandCursor);
    ImgLogo->setAttribute(Qt::WA_TranslucentBackground);
    SetHint(ImgLogo, QStringLiteral("关于Vanzu"));
    ImgLogo->installEventFilter(this);

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("网店"), pTop, 208, 33);

    EdtWD = new QLineEdit(QStringLiteral("请选择你要购物的网店"), pTop);
    EdtWD->setObjectName(QStringLiteral("EdtWD"));
    EdtWD->setGeometry(240, 28, 185, 20);
    EdtWD->setReadOnly(true);
    EdtWD->setCursorPosition(0);
    {
        QPalette palette = EdtWD->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
        palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
        EdtWD->setPalette(palette);
    }

    BtnWD = makeToolButton(QStringLiteral("BtnWD"), pTop, QRect(432, 28, 57, 22), QStringLiteral("选择"),
                           QStringLiteral("选择购物网店"), imgChooseShops);
    BtnWD->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BtnWD->setAutoRaise(false);

    Label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("求购商品"), pTop, 520, 33);

    cbKeyWord = new QComboBox(pTop);
    cbKeyWord->setObjectName(QStringLiteral("cbKeyWord"));
    cbKeyWord->setEditable(true);
    cbKeyWord->setInsertPolicy(QComboBox::NoInsert); // the history is kept by the search itself
    cbKeyWord->setGeometry(576, 28, 161, 20);
    cbKeyWord->setEditText(QStringLiteral("手机"));

    btnGo = makeToolButton(QStringLiteral("btnGo"), pTop, QRect(744, 28, 81, 22), QStringLiteral("马上对比"),
                           QStringLiteral("马上对比"), imgCompare);
    btnGo->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnGo->setAutoRaise(false);

    pTop2 = makePanel(QStringLiteral("pTop2"), this);
    pTop2->setFixedHeight(2);
    outer->addWidget(pTop2);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    outer->addLayout(body, 1);

    pNav = makePanel(QStringLiteral("pNav"), this);
    pNav->setFixedWidth(185);
    pNav->setFrameShape(QFrame::StyledPanel);
    body->addWidget(pNav);
    pNav2 = makePanel(QStringLiteral("pNav2"), this);
    pNav2->setFixedWidth(2);
    body->addWidget(pNav2);
    pMain = makePanel(QStringLiteral("pMain"), this);
    body->addWidget(pMain, 1);

    auto *mainLayout = new QVBoxLayout(pMain);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    sBToolBar = makePanel(QStringLiteral("sBToolBar"), pMain);
    sBToolBar->setFixedHeight(34);
    mainLayout->addWidget(sBToolBar);
    sBToolBar->installEventFilter(this); // keeps ToolBar1 anchored to the right edge

    ToolBar1 = new QWidget(sBToolBar);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setGeometry(610, 4, 164, 26);
    btnBack = makeToolButton(QStringLiteral("btnBack"), ToolBar1, QRect(4, 2, 25, 22), QStringLiteral("后退"),
                             QStringLiteral("后退"), imgBack);
    btnStop = makeToolButton(QStringLiteral("btnStop"), ToolBar1, QRect(29, 2, 25, 22), QStringLiteral("停止"),
                             QStringLiteral("停止"), imgStop);
    btnForward = makeToolButton(QStringLiteral("btnForward"), ToolBar1, QRect(54, 2, 25, 22),
                                QStringLiteral("前进"), QStringLiteral("前进"), imgForward);
    BtnRfsh = makeToolButton(QStringLiteral("BtnRfsh"), ToolBar1, QRect(87, 2, 25, 22), QStringLiteral("刷新"),
                             QStringLiteral("刷新"), imgRefresh);
    BtnOptn = makeToolButton(QStringLiteral("BtnOptn"), ToolBar1, QRect(120, 2, 39, 22), QStringLiteral("文件"),
                             QStringLiteral("文件操作"), imgFileMenu);
    for (QToolButton *button : {btnBack, btnStop, btnForward, BtnRfsh, BtnOptn})
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);

    pmRopt = new QMenu(this);
    pmRopt->setObjectName(QStringLiteral("pmRopt"));
    BtnOptn->setPopupMode(QToolButton::MenuButtonPopup);
    BtnOptn->setMenu(pmRopt);

    FindBar1 = new TFindBar(pMain);
    mainLayout->addWidget(FindBar1);

    PageControl1 = new TPageControl(pMain);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->SetShowCloseButton(true);
    PageControl1->SetShowCloseButtonOnActiveTab(true);
    PageControl1->SetShowMenuButton(true);
    PageControl1->SetBoldCurrentTab(true);
    PageControl1->SetTabStyle(TPageControl::tsRoundCorners);
    PageControl1->OnChange = [this](QObject *sender) { PageControl1Change(sender); };
    PageControl1->OnClose = [this](QObject *sender, bool &allowClose) { PageControl1Close(sender, allowClose); };
    PageControl1->OnMouseDown = [this](QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                       bool doubleClick, int x, int y) {
        PageControl1MouseDown(sender, button, shift, doubleClick, x, y);
    };
    mainLayout->addWidget(PageControl1, 1);
    createPriceTable();

    // Status bar: status text, progress, clock.
    sBar = makePanel(QStringLiteral("sBar"), this);
    sBar->setFixedHeight(19);
    sBar->setStyleSheet(QStringLiteral(
        "#sBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f6fa, stop:1 #dde3ec);"
        " border-top: 1px solid #b9c6d8; }"));
    outer->addWidget(sBar);
    auto *barLayout = new QHBoxLayout(sBar);
    barLayout->setContentsMargins(2, 1, 4, 1);
    barLayout->setSpacing(2);
    sBarStus = new QLabel(sBar);
    sBarStus->setObjectName(QStringLiteral("sBarStus"));
    sBarStus->setTextFormat(Qt::PlainText); // status texts come from the pages
    sBarStus->setFixedWidth(400);
    barLayout->addWidget(sBarStus);
    pBar = new TProgressPane(sBar);
    pBar->setObjectName(QStringLiteral("pBar"));
    pBar->setFixedWidth(100);
    pBar->hide();
    barLayout->addWidget(pBar);
    sBarStus2 = new QLabel(sBar);
    sBarStus2->setObjectName(QStringLiteral("sBarStus2"));
    sBarStus2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    barLayout->addWidget(sBarStus2, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10000);
    connect(Timer1, &QTimer::timeout, this, &TFrm_Main::Timer1Timer);
    Timer1->start();

    createPageCommands();
    createShopCommands();
    m_historyKeeper->AddMenuItems(pmRopt);
    m_keys = new TMainKeys(this);
    // The find bar follows the active tab, once a switch or a close has settled.
    connect(
            PageControl1, &TPageControl::activePageChanged, FindBar1,
            [this] { FindBar1->SetView(ActiveTab() ? ActiveTab()->Browser : nullptr); }, Qt::QueuedConnection);
    m_downloads = new TDownloadManager(this);
    m_downloads->Watch(QWebEngineProfile::defaultProfile());
    m_permissions = new TSitePermissions(this);
    CreateGuideButtons();
    connect(BtnWD, &QToolButton::clicked, this, &TFrm_Main::BtnWDClick);
    EdtWD->installEventFilter(this); // a click on the shop box opens the selection too
    connect(btnGo, &QToolButton::clicked, this, &TFrm_Main::btnGoClick);
    // Enter starts the search. The box hands its keys to its line edit by calling the edit's
    // event() directly, past any filter there, so the filter sits on the box itself.
    cbKeyWord->installEventFilter(this);
}

void TFrm_Main::FormCreate()
{
    setWindowTitle(QApplication::applicationName());
}

void TFrm_Main::FormShow()
{
    m_startTime = QDateTime::currentDateTime();
}

bool TFrm_Main::FormCloseQuery()
{
    m_closing = true;
    return true;
}

void TFrm_Main::ImgLogoClick()
{
    ShowAbout(AboutText());
}

void TFrm_Main::Timer1Timer()
{
    sBarStus2->setText(ClockText(QDateTime::currentDateTime(), m_startTime, QApplication::applicationName()));
}

QString TFrm_Main::ClockText(const QDateTime &now, const QDateTime &start, const QString &title)
{
    // Whole minutes, truncated toward zero.
    const qint64 minutes = start.msecsTo(now) / 60000;
    return QStringLiteral("%1   你已经网购%2分钟  %3  ")
        .arg(now.toString(QStringLiteral("yyyy-MM-dd HH:mm")), QString::number(minutes), title);
}

QString TFrm_Main::AboutText()
{
    return QStringLiteral("Vanzu小精灵V2\n\n"
                          "你的购物助手：勾选网店，输入商品名称，按“马上对比”，\n"
                          "每家网店的搜索结果各自打开在一个标签页中，货比多家，省时省钱。\n\n"
                          "Vanzu 开发组");
}

bool TFrm_Main::event(QEvent *event)
{
    // The application's current hint: set when the pointer rests on a hinted control or a menu
    // item is highlighted, emptied when it moves off.
    if (event->type() == QEvent::StatusTip) {
        sBarStus->setText(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QWidget::event(event);
}

bool TFrm_Main::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ImgLogo && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && ImgLogo->rect().contains(mouse->position().toPoint())) {
            ImgLogoClick();
            return true;
        }
    } else if (watched == EdtWD && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && EdtWD->rect().contains(mouse->position().toPoint()))
            BtnWDClick();
    } else if (watched == cbKeyWord && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        cbKeyWordKeyDown(key->key(), key->modifiers()); // not consumed: the box sees Enter too
    } else if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
        if (auto *button = qobject_cast<QToolButton *>(watched); button && m_guideButtons.contains(button)) {
            if (event->type() == QEvent::Enter)
                BtnHot1MouseEnter(button);
            else
                BtnHot1MouseLeave(button);
        }
    } else if (watched == sBToolBar && event->type() == QEvent::Resize) {
        // Anchored to the top right: the distance to the right edge stays as laid out.
        constexpr int rightGap = 784 - 610 - 164;
        ToolBar1->move(sBToolBar->width() - rightGap - ToolBar1->width(), ToolBar1->y());
        placePricesButton();
    }
    return QWidget::eventFilter(watched, event);
}

void TFrm_Main::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFrm_Main::closeEvent(QCloseEvent *event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}
