// The price table of the comparison: where the pane sits and when it shows.
#include "U_Main.h"

#include "THistoryKeeper.h"
#include "TPriceComparison.h"
#include "TPriceHistory.h"
#include "TPriceTablePane.h"
#include "TShopTeacher.h"

#include <QFrame>
#include <QToolButton>
#include <QVBoxLayout>

void TFrm_Main::createPriceTable()
{
    // Below the tabs, hidden: until a comparison finds offers the window is as it always was.
    pPrices = new TPriceTablePane(pMain);
    pPrices->hide();
    pPrices->setMinimumHeight(150);
    static_cast<QVBoxLayout *>(pMain->layout())->addWidget(pPrices, 1);
    m_priceComparison = new TPriceComparison(this);
    connect(m_priceComparison, &TPriceComparison::begun, pPrices, &TPriceTablePane::Start);
    connect(m_priceComparison, &TPriceComparison::offersRead, pPrices, &TPriceTablePane::SetShopOffers);
    connect(m_priceComparison, &TPriceComparison::shopStateChanged, pPrices, &TPriceTablePane::SetShopState);
    // The shops' menu of the table and the results pages' context menus teach it a shop.
    m_shopTeacher = new TShopTeacher(m_priceComparison, pPrices, this);
    // The history keeps what comparisons found, once the program opens it.
    m_historyKeeper = new THistoryKeeper(this, new TPriceHistory(this));

    btnPrices = new QToolButton(sBToolBar);
    btnPrices->setObjectName(QStringLiteral("btnPrices"));
    btnPrices->setCheckable(true);
    btnPrices->setAutoRaise(true);
    btnPrices->setText(QStringLiteral("比价表"));
    SetHint(btnPrices, QStringLiteral("显示或隐藏比价表"));
    btnPrices->hide();
    placePricesButton();

    connect(btnPrices, &QToolButton::toggled, pPrices, &QWidget::setVisible);
    connect(pPrices, &TPriceTablePane::hideRequested, btnPrices, [this] { btnPrices->setChecked(false); });
    connect(pPrices, &TPriceTablePane::offerCountChanged, this, &TFrm_Main::pricesOfferCountChanged);
    connect(pPrices, &TPriceTablePane::openOffer, this,
        [this](const QUrl &address) { OpenInTab(address.toString(QUrl::FullyEncoded)); });
}

void TFrm_Main::pricesOfferCountChanged(int count)
{
    btnPrices->setText(QStringLiteral("比价表 (%1)").arg(count));
    btnPrices->adjustSize();
    placePricesButton();
    if (count == 0) {
        // A new comparison: its table shows once its first offers arrive.
        m_pricesAppeared = false;
        btnPrices->setChecked(false);
        btnPrices->hide();
    } else if (!m_pricesAppeared) {
        m_pricesAppeared = true;
        btnPrices->show();
        btnPrices->setChecked(true);
    }
}

void TFrm_Main::placePricesButton()
{
    if (!btnPrices)
        return;
    btnPrices->move(ToolBar1->x() - btnPrices->width() - 8, ToolBar1->y() + 2);
}
