#include "Form4.h"

#include "LedgerChanges.h"
#include "Logo.h"
#include "MessageBox.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "StoreError.h"
#include "StoreText.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tallowick {

Form4::Form4(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Initial Balance"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(4680, 1980));

    Label1 =
        new QLabel(QStringLiteral("Tallowick Balance needs to know the initial balance of your account.  "
                                  "Please enter this value in the box below and press OK."),
                   this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 120, 4455, 615));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(1320, 840, 1815, 285));
    // The label above asks for the amount in a long sentence; the box is announced by its question.
    Text1->setAccessibleName(QStringLiteral("What is the initial balance of your account?"));

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(1080, 1320, 2295, 375));
    Command1->setDefault(true);

    setTabOrder(Text1, Command1);
    Text1->setFocus();
    // Enter in the box presses the default button.
    connect(Text1, &QLineEdit::returnPressed, Command1, &QPushButton::click);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
}

void Form4::Command1_Click()
{
    try {
        RecordCursor Data1(Module1::ledgerPath());
        // An empty box is no amount here, unlike the editor's empty amount boxes.
        if (Text1->text().isEmpty())
            throw StoreError(StoreError::Kind::BadAmount, "No amount was given.");
        AddInitialBalance(Data1, toStd(Text1->text()));
    } catch (const std::exception& error) {
        // A fault of the file itself is told in the store's words; anything
        // else means the amount was not taken.
        const auto* storeError = dynamic_cast<const StoreError*>(&error);
        ShowMessage(this, storeError && isFileFault(*storeError) ? describe(error)
                                                                 : QStringLiteral("This value is invalid"));
        return;
    }
    WindowRegistry::instance().HandOver(QStringLiteral("Form4"), QStringLiteral("frmLedger"));
}

} // namespace tallowick
