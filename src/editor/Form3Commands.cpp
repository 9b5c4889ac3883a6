// "Add" and "Update": the boxes go to the store as text, zone by zone, so
// each refusal is reported with the message of the box it came from.
#include "Form3.h"

#include "MessageBox.h"
#include "Module1.h"
#include "BusyPointer.h"
#include "LedgerChanges.h"
#include "RecordCursor.h"
#include "StoreText.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>

namespace tallowick {

namespace {

const char* const kNumberMessage = "The value in the number box is invalid";
const char* const kDateMessage = "The date is invalid or in the wrong format";
const char* const kDescriptionMessage = "The description you have input is too long";

// Shows the zone's message for a refused value; a fault of the file itself
// (locked, read-only, disk full...) is shown in the store's own words.
void reportZoneFailure(QWidget* window, const std::exception& error, const char* zoneMessage)
{
    const auto* storeError = dynamic_cast<const StoreError*>(&error);
    if (storeError && isFileFault(*storeError))
        ShowMessage(window, describe(error));
    else
        ShowMessage(window, QString::fromLatin1(zoneMessage));
}

} // namespace

bool Form3::ensureCursor()
{
    if (Data1)
        return true;
    try {
        Data1 = std::make_unique<RecordCursor>(Module1::ledgerPath());
        return true;
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return false;
    }
}

bool Form3::positionOnShownRow()
{
    // Only the row the boxes show may be written, whatever befell the cursor.
    try {
        if (!Data1 || !shownRowid_)
            throw StoreError(StoreError::Kind::NoCurrentRow,
                             "The row could not be read from the ledger, so it cannot be changed.");
        if (Data1->currentRowid() != *shownRowid_)
            Data1->MoveToRowid(*shownRowid_);
        if (Data1->currentRowid() != *shownRowid_)
            throw StoreError(StoreError::Kind::NoCurrentRow,
                             "The row being changed is no longer in the ledger.");
        return true;
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return false;
    }
}

void Form3::fillEmptyAmounts()
{
    for (QLineEdit* amount : {Text6, Text7, Text8})
        if (amount->text().isEmpty())
            amount->setText(QStringLiteral("0"));
}

bool Form3::writeBoxes(bool clearEmptyFields)
{
    auto writeText = [&](const char* column, QLineEdit* box) {
        if (!box->text().isEmpty())
            Data1->SetField(column, toStd(box->text()));
        else if (clearEmptyFields)
            Data1->SetFieldEmpty(column);
    };
    try {
        writeText("number", Text1);
    } catch (const std::exception& error) {
        Data1->CancelUpdate();
        reportZoneFailure(this, error, kNumberMessage);
        return false;
    }
    try {
        writeText("date", Text2);
    } catch (const std::exception& error) {
        Data1->CancelUpdate();
        reportZoneFailure(this, error, kDateMessage);
        return false;
    }
    try {
        writeText("description of transaction", Text5);
        Data1->SetField("payment / debit", toStd(Text6->text()));
        Data1->SetField("tax deductible", std::int64_t(Check1->isChecked() ? 1 : 0));
        Data1->SetField("fee", toStd(Text7->text()));
        Data1->SetField("deposit / credit", toStd(Text8->text()));
        // While the amount rule cannot compute (it overflowed), Text9 still
        // shows an earlier balance, which must never be stored beside these amounts.
        if (balanceShown_)
            Data1->SetField("balance", toStd(Text9->text()));
    } catch (const std::exception& error) {
        Data1->CancelUpdate();
        reportZoneFailure(this, error, kDescriptionMessage);
        return false;
    }
    if (!balanceShown_) {
        Data1->CancelUpdate();
        ShowMessage(this, QStringLiteral("This value is invalid"));
        return false;
    }
    return true;
}

void Form3::Command1_Click() // "Add"
{
    fillEmptyAmounts();
    if (!ensureCursor())
        return;
    if (!lastBalanceRead_) {
        // The opening could not read the base: read it now, or store nothing.
        try {
            readLastBalance();
            AmountChanged();
        } catch (const std::exception& error) {
            ShowMessage(this, describe(error));
            return;
        }
    }
    Data1->AddNew();
    if (!writeBoxes(false))
        return;
    try {
        Data1->Update();
    } catch (const std::exception& error) {
        Data1->CancelUpdate();
        reportZoneFailure(this, error, kDescriptionMessage);
        return;
    }
    returnToLedger();
}

void Form3::Command3_Click() // "Update"
{
    fillEmptyAmounts();
    if (!positionOnShownRow())
        return;
    try {
        Data1->Edit();
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return;
    }
    if (!writeBoxes(true))
        return;

    // Storing the row and recomputing every balance are one change: a
    // failure in either leaves the ledger exactly as it was, and the cursor
    // back on this row so that a second "Update" changes the same row.
    try {
        BusyPointer busy;
        UpdateAndRebalance(*Data1);
    } catch (const std::exception& error) {
        reportZoneFailure(this, error, kDescriptionMessage);
        return;
    }
    returnToLedger();
}

} // namespace tallowick
