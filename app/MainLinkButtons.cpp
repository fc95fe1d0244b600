// The main window's link buttons: six guide buttons to the information site and the row of
// popular shops. Every button keeps its target in its "HelpKeyword" property.
#include "U_Main.h"

#include "U_Pub.h"

#include <QFrame>
#include <QToolButton>

namespace {

// The product's information site.
const QString kInfoSite = QStringLiteral("http://www.vanzu.com");

const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);

void setCaptionColour(QToolButton *button, const QColor &colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::WindowText, colour);
    button->setPalette(palette);
}

} // namespace

void TFrm_Main::CreateGuideButtons()
{
    struct Guide
    {
        const char *name;
        const char *caption;
        const char *path;
        int pixelSize;
    };
    // The first two are drawn at a character height of 16 px; the others at a cell height of
    // 16 px, which gives slightly smaller letters.
    static const Guide guides[] = {
        {"BtnHot1", "货比多家", "", 16},
        {"BtnHot2", "火热团购", "/vzs/tuan.htm", 16},
        {"BtnHot3", "打折促销", "/vzs/dazhe.htm", 15},
        {"BtnHot4", "商城大全", "/vzs/mall.htm", 15},
        {"BtnHot5", "淘宝导购", "/vzs/tbdao.htm", 15},
        {"BtnHot6", "淘宝皇冠", "/vzs/tbhg.htm", 15},
    };
    int tag = 1;
    for (const Guide &guide : guides) {
        auto *button = new QToolButton(pNav);
        button->setObjectName(QLatin1String(guide.name));
        button->setProperty("Tag", tag);
        button->setText(QString::fromUtf8(guide.caption));
        SetHint(button, button->text());
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setGeometry(24, 24 + 40 * (tag - 1), 129, 33);
        QFont font = this->font();
        font.setPixelSize(guide.pixelSize);
        font.setBold(true);
        button->setFont(font);
        setCaptionColour(button, kNavy);
        button->setProperty("HelpKeyword", kInfoSite + QString::fromLatin1(guide.path));
        button->installEventFilter(this); // hover colours
        connect(button, &QToolButton::clicked, this, [this, button] { BtnHot1Click(button); });
        m_guideButtons.append(button);
        ++tag;
    }
}

void TFrm_Main::CreateTopShopButtons()
{
    TTextList list(QLatin1Char('='));
    list.setText(LoadTextResource(QStringLiteral("topshop_txt"), QStringLiteral("TXT")));
    int x = 0;
    for (int i = 0; i < list.count(); ++i) {
        auto *button = new QToolButton(sBToolBar);
        button->setObjectName(QStringLiteral("BtnLink%1").arg(i));
        button->setProperty("Tag", 0);
        button->setText(list.name(i));
        SetHint(button, list.name(i));
        button->setProperty("HelpKeyword", list.valueFromIndex(i));
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setGeometry(x + 2, 4, 70, 22);
        x = button->x() + 70;
        connect(button, &QToolButton::clicked, this, [this, button] { BtnHot1Click(button); });
        button->show();
    }
}

void TFrm_Main::BtnHot1Click(QObject *Sender)
{
    OpenInTab(Sender->property("HelpKeyword").toString());
}

void TFrm_Main::BtnHot1MouseEnter(QObject *Sender)
{
    if (auto *button = qobject_cast<QToolButton *>(Sender))
        setCaptionColour(button, kRed);
}

void TFrm_Main::BtnHot1MouseLeave(QObject *Sender)
{
    if (auto *button = qobject_cast<QToolButton *>(Sender))
        setCaptionColour(button, kNavy);
}
