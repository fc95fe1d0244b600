#pragma once

#include "TOfferTableModel.h"
#include "TPriceTablePane.h"

#include <QAbstractItemModelTester>
#include <QTableView>

// Checks the price table's offer model and its filter after every change, for as long as it
// lives: they stay consistent for any view, whatever the comparison and the user do to them.
struct OfferModelsChecked
{
    explicit OfferModelsChecked(const TPriceTablePane &pane)
        : offers(pane.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal),
          filter(pane.View()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal)
    {
    }
    QAbstractItemModelTester offers;
    QAbstractItemModelTester filter;
};
