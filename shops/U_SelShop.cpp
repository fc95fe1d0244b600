#include "U_SelShop.h"

#include "TShopCatalogue.h"
#include "MessageBoxes.h"
#include "U_Pub.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

// Marks the nodes made from shop lines: only they make up the selection.
constexpr int ShopNodeRole = Qt::UserRole;

// A blue box, and for shops the same box with a round orange badge, drawn for `scale`.
QPixmap nodePicture(bool shop, int scale)
{
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF box(1.5, 2.5, 13, 11);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, QColor(0x6f, 0xa8, 0xe8));
    fill.setColorAt(1, QColor(0x2a, 0x64, 0xb8));
    p.setPen(QPen(QColor(0x1d, 0x4a, 0x8c), 1));
    p.setBrush(fill);
    p.drawRoundedRect(box, 2, 2);
    // lid line, so that it reads as a box rather than a plain square
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.drawLine(QPointF(2.5, 5.5), QPointF(13.5, 5.5));

    if (shop) {
        const QPointF centre(11.5, 11.5);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(QColor(0xff, 0x8c, 0x1a));
        p.drawEllipse(centre, 3.8, 3.8);
    }
    return pixmap;
}

QIcon nodeIcon(bool shop)
{
    QIcon icon;
    icon.addPixmap(nodePicture(shop, 1));
    icon.addPixmap(nodePicture(shop, 2));
    return icon;
}

// The dialog's font: "宋体" 12 px, falling back to an installed CJK face where it is missing.
QFont dialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    return font;
}

QFrame *makePanel(const QString &name, QWidget *parent, bool bordered)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(name);
    if (bordered)
        panel->setStyleSheet(QStringLiteral("#%1 { border: 1px solid palette(mid); border-radius: 3px; }").arg(name));
    return panel;
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent, const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    // Neither button is the default one: Enter never closes the dialog.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

QString TFrm_SelShop::RootCaption()
{
    return QStringLiteral("Vanzu选店铺");
}

TFrm_SelShop::TFrm_SelShop(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                      | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Frm_SelShop"));
    createControls();
    FormCreate();
}

TFrm_SelShop::~TFrm_SelShop()
{
    // The tree's items go with the dialog; nothing of that is a change of a check state.
    cTree->OnStateChange = nullptr;
}

void TFrm_SelShop::createControls()
{
    setWindowTitle(QStringLiteral("选择网店"));
    setFont(dialogFont());
    setFixedSize(618, 450);
    if (const QScreen *desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());

    il1 = {nodeIcon(false), nodeIcon(true)};

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = makePanel(QStringLiteral("Panel1"), this, true);
    Panel1->setFixedHeight(41);
    lbCnt = new QLabel(Panel1);
    lbCnt->setObjectName(QStringLiteral("lbCnt"));
    lbCnt->setGeometry(32, 16, 240, lbCnt->fontMetrics().height());
    BtnOK = makeButton(QStringLiteral("BtnOK"), QStringLiteral("确定(&O)"), Panel1, QRect(336, 8, 75, 25));
    BtnCancel = makeButton(QStringLiteral("BtnCancel"), QStringLiteral("取消(&C)"), Panel1, QRect(448, 8, 75, 25));
    connect(BtnOK, &QPushButton::clicked, this, &TFrm_SelShop::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrm_SelShop::BtnCancelClick);

    Panel2 = makePanel(QStringLiteral("Panel2"), this, true);
    auto *treeLayout = new QVBoxLayout(Panel2);
    treeLayout->setContentsMargins(1, 1, 1, 1);
    cTree = new TCheckTree(Panel2);
    cTree->setObjectName(QStringLiteral("cTree"));
    cTree->setFrameShape(QFrame::NoFrame);
    cTree->setIconSize(QSize(16, 16));
    cTree->setIndentation(19);
    cTree->SetAutoExpand(true);
    cTree->OnStateChange = [this](QObject *sender, QTreeWidgetItem *node, TCheckState newState) {
        cTreeStateChange(sender, node, newState);
    };
    treeLayout->addWidget(cTree);

    Panel3 = makePanel(QStringLiteral("Panel3"), this, false);
    Panel3->setFixedHeight(2);
    Panel4 = makePanel(QStringLiteral("Panel4"), this, false);
    Panel4->setFixedHeight(2);

    layout->addWidget(Panel3);
    layout->addWidget(Panel2, 1);
    layout->addWidget(Panel4);
    layout->addWidget(Panel1);
}

void TFrm_SelShop::FormCreate()
{
    BuildTree(LoadShopCatalogueText());
    // The tree has the keyboard when the dialog opens, its root already current: the arrows
    // move and Space ticks. On a button, Space would press it instead.
    setTabOrder(cTree, BtnOK);
    setTabOrder(BtnOK, BtnCancel);
    cTree->setFocus();
}

void TFrm_SelShop::BuildTree(const QString &catalogueText)
{
    cTree->clear();
    auto addNode = [this](QTreeWidgetItem *parent, const QString &text, bool shop) {
        auto *node = new QTreeWidgetItem(parent, {text});
        node->setIcon(0, il1.at(shop ? imgShop : imgCategory));
        node->setData(0, ShopNodeRole, shop);
        return node;
    };
    auto *root = new QTreeWidgetItem(cTree, {RootCaption()});
    root->setIcon(0, il1.at(imgCategory));

    QTreeWidgetItem *category = root;
    for (const TShopEntry &entry : ReadShopCatalogue(catalogueText)) {
        if (entry.IsCategory)
            category = addNode(root, entry.Name, false);
        else
            addNode(category, entry.Name, true);
    }
    cTree->setCurrentItem(root);
}

QString TFrm_SelShop::BuildSelection()
{
    // Shop nodes only: the lone root of an empty catalogue or an empty category is a leaf as
    // well, but no shop.
    QStringList names;
    for (QTreeWidgetItemIterator it(cTree); *it; ++it) {
        const QTreeWidgetItem *node = *it;
        if (node->childCount() == 0 && node->data(0, ShopNodeRole).toBool()
                && TCheckTree::CheckState(node) == csChecked)
            names << node->text(0);
    }
    m_checkedCount = int(names.size());
    // Every name whole: a cut would break a name and drop the shops after it unseen.
    return names.join(QLatin1Char(';'));
}

void TFrm_SelShop::cTreeStateChange(QObject *Sender, QTreeWidgetItem *Node, TCheckState NewState)
{
    Q_UNUSED(Sender);
    Q_UNUSED(Node);
    Q_UNUSED(NewState);
    m_selection = BuildSelection();
    setWindowTitle(m_selection);
    lbCnt->setText(QStringLiteral("已选择网店%1个").arg(m_checkedCount));
    emit selectionChanged();
}

void TFrm_SelShop::BtnOkClick()
{
    done(IDOK);
}

void TFrm_SelShop::BtnCancelClick()
{
    done(IDCANCEL);
}

void TFrm_SelShop::reject()
{
    done(IDCANCEL);
}

void TFrm_SelShop::keyPressEvent(QKeyEvent *event)
{
    // QDialog would close on Escape (and on Enter through a default button): neither closes
    // this one.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

QString SelectShops()
{
    // A failure here costs the user nothing but the selection: no message.
    try {
        TFrm_SelShop dialog;
        if (dialog.exec() == IDOK)
            return dialog.Selection();
    } catch (...) {
    }
    return QString();
}
