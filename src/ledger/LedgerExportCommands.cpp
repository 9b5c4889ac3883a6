#include "LedgerExportCommands.h"

#include "BusyPointer.h"
#include "CsvText.h"
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
#include <QSaveFile>
#include <QStandardPaths>
#include <QTableView>

#include <algorithm>
#include <ostream>
#include <streambuf>

namespace tallowick {

namespace {

constexpr LedgerTableModel::Column kCopiedColumns[] = {
    LedgerTableModel::NumberColumn,  LedgerTableModel::DateColumn,   LedgerTableModel::DescriptionColumn,
    LedgerTableModel::PaymentColumn, LedgerTableModel::TaxColumn,    LedgerTableModel::FeeColumn,
    LedgerTableModel::DepositColumn, LedgerTableModel::BalanceColumn};

// A stream buffer that hands what the store writes to a Qt file.
class DeviceBuffer : public std::streambuf {
public:
    explicit DeviceBuffer(QIODevice& device) : device_(device) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~DeviceBuffer() override { sync(); }

protected:
    int_type overflow(int_type c) override
    {
        if (sync() != 0)
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override
    {
        const qint64 size = pptr() - pbase();
        const bool written = size == 0 || device_.write(pbase(), size) == size;
        setp(buffer_, buffer_ + sizeof buffer_);
        return written ? 0 : -1;
    }

private:
    QIODevice& device_;
    char buffer_[1 << 16];
};

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

    // QSaveFile writes beside the target and renames only on commit.
    QSaveFile file(dialog.selectedFiles().constFirst());
    const auto refused = [&file] {
        return std::runtime_error(
            toStd(QStringLiteral("The file \"%1\" could not be written (%2).")
                      .arg(QDir::toNativeSeparators(file.fileName()), file.errorString())));
    };
    try {
        BusyPointer busy;
        if (!file.open(QIODevice::WriteOnly))
            throw refused();
        DeviceBuffer buffer(file);
        std::ostream out(&buffer);
        exportCsv(*LedgerConnection::open(Module1::ledgerPath()), ExportChoice(), out);
        if (!file.commit())
            throw refused();
    } catch (const std::exception& error) {
        file.cancelWriting();
        ShowMessage(parent, describe(error));
    }
}

} // namespace tallowick
