// Filling the editor: the two opening ticks, ShowCurrentRow and the four
// navigation buttons. After each of them the cursor rests on the row the
// boxes show and PriorBalance is the balance of the row before it.
#include "Form3.h"

#include "MessageBox.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "StoreText.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tallowick {

namespace {

void writeUnlessEmpty(QLineEdit* box, const std::string& text)
{
    if (!text.empty())
        box->setText(toQt(text));
}

} // namespace

void Form3::ShowCurrentRow()
{
    const LedgerRow row = Data1->CurrentRow();
    writeUnlessEmpty(Text1, plainFieldText(row, LedgerColumn::Number));
    writeUnlessEmpty(Text2, plainFieldText(row, LedgerColumn::Date));
    writeUnlessEmpty(Text5, plainFieldText(row, LedgerColumn::Description));
    Text6->setText(toQt(row.payment.plainText()));
    Check1->setChecked(row.taxDeductible != 0);
    Text7->setText(toQt(row.fee.plainText()));
    Text8->setText(toQt(row.deposit.plainText()));
    // Last, so that it replaces what the amount boxes' rule computed.
    Text9->setText(toQt(row.balance.plainText()));
    balanceShown_ = true;
}

void Form3::Timer1_Timer()
{
    Timer1->stop();
    if (!Data1)
        return;
    try {
        readLastBalance();
    } catch (const std::exception&) {
        // The opening work shows nothing; "Add" reads the base again and reports a failure.
    }
}

void Form3::readLastBalance()
{
    Data1->MoveLast();
    // An empty ledger (every row deleted) gives a base of 0.
    const Money last = Data1->IsBOF() ? Money() : Data1->CurrentRow().balance;
    Text9->setText(toQt(last.plainText()));
    PriorBalance = Money::parse(toStd(Text9->text()));
    lastBalanceRead_ = true;
}

void Form3::Timer2_Timer()
{
    Timer2->stop();
    setDefaultButton(Command3);
    if (!Data1)
        return;
    try {
        Data1->MoveFirst();
        Data1->Move(std::int64_t(Module1::SelectedRowPosition) - 1);
        showRow(false);
        takePriorBalanceFromRowBefore();
    } catch (const std::exception&) {
        // A position that names no row leaves the boxes empty and no row to
        // update; "Update" says so.
    }
}

void Form3::Command4_Click() // "<<"
{
    navigate([this] {
        Data1->MoveFirst();
        showRow(true);
        PriorBalance = Money();
    });
}

void Form3::Command5_Click() // "<"
{
    navigate([this] {
        Data1->MovePrevious();
        if (Data1->IsBOF()) {
            PriorBalance = Money();
            Data1->MoveFirst();
            return;
        }
        showRow(true);
        takePriorBalanceFromRowBefore();
    });
}

void Form3::Command6_Click() // ">"
{
    navigate([this] {
        Data1->MoveNext();
        if (Data1->IsEOF()) {
            Data1->MovePrevious();
            return;
        }
        Data1->MovePrevious();
        PriorBalance = Data1->CurrentRow().balance;
        Data1->MoveNext();
        showRow(true);
    });
}

void Form3::Command7_Click() // ">>"
{
    navigate([this] {
        Data1->MoveLast();
        showRow(true);
        Data1->MovePrevious();
        if (Data1->IsBOF()) {
            PriorBalance = Money();
        } else {
            PriorBalance = Data1->CurrentRow().balance;
        }
        Data1->MoveLast();
    });
}

void Form3::takePriorBalanceFromRowBefore()
{
    // The first row has nothing before it: its base is 0. Either way the
    // cursor ends on the shown row.
    Data1->MovePrevious();
    if (Data1->IsBOF()) {
        PriorBalance = Money();
        Data1->MoveFirst();
    } else {
        PriorBalance = Data1->CurrentRow().balance;
        Data1->MoveNext();
    }
}

void Form3::showRow(bool emptyFirst)
{
    shownRowid_.reset();
    // Emptied first, a row without a number, date or description shows those boxes empty.
    if (emptyFirst) {
        Text1->clear();
        Text2->clear();
        Text5->clear();
    }
    ShowCurrentRow();
    shownRowid_ = Data1->currentRowid();
}

void Form3::navigate(const std::function<void()>& move)
{
    if (!Data1)
        return;
    try {
        move();
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
}

} // namespace tallowick
