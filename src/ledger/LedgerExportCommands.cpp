#include "LedgerExportCommands.h"

#include "BusyPointer.h"
#include "CsvText.h"
#include "FileOutput.h"
#include "LedgerExport.h"
#include "LedgerTableModel.h"
#include "MessageBox.h"
#include "Module1.h"
#include "StoreText.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QStandardPaths>
#include <QTableView>

#include <algorithm>

namespace tallowick {

namespace {

constexpr LedgerTableModel::Column kCopiedColumns[] = {
    LedgerTableModel::NumberColumn,  LedgerTableModel::DateColumn,   LedgerTableModel::DescriptionColumn,
    LedgerTableModel::PaymentColumn, LedgerTableModel::TaxColumn,    LedgerTableModel::FeeColumn,
    LedgerTableModel::DepositColumn, LedgerTableModel::BalanceColumn};

} // namespace

QString SelectedRowsText(QTableView* grid)
{
    const QAbstractItemModel* model = grid->model();
    QList<int> rows;
    for (const QModelIndex& index : grid->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && grid->currentIndex().isValid())
        rows << grid->currentIndex().row();
    std::sort(rows.begin(), rows.end());

    // Cells are quoted as in CSV where they hold a tab, a quote or a line
    // break, which spreadsheets read back when pasting.
    std::string text;
    const auto appendLine = [&](auto cellText) {
        bool first = true;
        for (LedgerTableModel::Column column : kCopiedColumns) {
            if (!first)
                text += '\t';
            first = false;
            appendCsvField(text, toStd(cellText(column)), '\t');
        }
        text += '\n';
    };
    appendLine([&](int column) { return model->headerData(column, Qt::Horizontal).toString(); });
    for (int row : rows)
        appendLine([&](int column) { return model->index(row, column).data().toString(); });
    return toQt(text);
}

void CopySelectedRows(QTableView* grid)
{
    QGuiApplication::clipboard()->setText(SelectedRowsText(grid));
}

void ExportLedgerToCsv(QWidget* parent)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(parent, QStringLiteral("Export to CSV"), documents,
                       QStringLiteral("CSV files (*.csv);;All files (*)"));
    dialog.setObjectName(QStringLiteral("ExportCsvDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QDir(documents).filePath(QStringLiteral("My Tallowick.csv")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    try {
        BusyPointer busy;
        const std::string exportPath = toStd(dialog.selectedFiles().constFirst());
        refuseOutputOverLedger(exportPath, Module1::ledgerPath());
        const auto connection = LedgerConnection::open(Module1::ledgerPath());
        writeFileReplacing(exportPath,
                           [&](std::ostream& out) { exportCsv(*connection, ExportChoice(), out); });
    } catch (const std::exception& error) {
        ShowMessage(parent, describe(error));
    }
}

} // namespace tallowick
