#include "Form5.h"

#include "Logo.h"
#include "MessageBox.h"
#include "Module1.h"
#include "BusyPointer.h"
#include "LedgerChanges.h"
#include "RecordCursor.h"
#include "StoreText.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace tallowick {

Form5::Form5(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Confirm Delete"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(4470, 1380));

    Label1 = new QLabel(
        QStringLiteral("You are about to delet the selected record.  Are you sure you want to do this?"),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 120, 4215, 615));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(2400, 720, 1935, 495));
    Command1 = new QPushButton(QStringLiteral("Delete"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(120, 720, 1935, 495));
    setTabOrder(Command2, Command1);
    Command2->setFocus();
    setDefaultButton(Command2);

    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);

    // A ledger that cannot be opened is reported when "Delete" needs it.
    try {
        Data1 = std::make_unique<RecordCursor>(Module1::ledgerPath());
    } catch (const std::exception&) {
    }
}

Form5::~Form5() = default;

void Form5::setDefaultButton(QPushButton* button)
{
    // Enter presses the focused button: "Cancel" as the window opens, and
    // "Delete" once the user has moved the focus onto it.
    for (QPushButton* each : {Command1, Command2}) {
        each->setDefault(each == button);
        each->setAutoDefault(true);
    }
}

void Form5::Command1_Click()
{
    try {
        BusyPointer busy;
        if (!Data1)
            Data1 = std::make_unique<RecordCursor>(Module1::ledgerPath());
        // The delete and its recomputation stand or fall together.
        DeleteAndRebalance(*Data1, Module1::SelectedRowPosition);
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
    returnToLedger();
}

void Form5::Command2_Click()
{
    returnToLedger();
}

void Form5::returnToLedger()
{
    WindowRegistry::instance().HandOver(QStringLiteral("Form5"), QStringLiteral("frmLedger"));
}

} // namespace tallowick
