#include "Form2.h"

#include "Logo.h"
#include "MessageBox.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "StoreError.h"
#include "StoreText.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QLabel>
#include <QPushButton>

namespace tallowick {

namespace {

const char* const kNoWarranty =
    "This program is provided \"as is\", without warranty of any kind, either expressed or implied, "
    "including but not limited to the implied warranties of merchantability and fitness for a particular "
    "purpose. The entire risk as to the quality and performance of the program is with you.\n\n"
    "In no event shall the author be liable to you for any damages arising out of the use of the program "
    "or out of the inability to use it, including the loss or corruption of data.";

} // namespace

Form2::Form2(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("NO WARRANTY"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(5865, 3420));

    Label1 = new QLabel(QString::fromUtf8(kNoWarranty), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 120, 5535, 2055));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label2 = new QLabel(
        QStringLiteral("By pressing the \"I Agree\" button you are agreeing the the above statement."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 2280, 5535, 375));
    Label2->setWordWrap(true);

    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(3480, 2760, 2055, 495));
    Command1 = new QPushButton(QStringLiteral("I Agree"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(240, 2760, 2055, 495));

    // "Cancel" comes first in tab order and is the default button.
    setTabOrder(Command2, Command1);
    Command2->setDefault(true);
    Command2->setAutoDefault(true);
    Command1->setAutoDefault(true); // a focused "I Agree" takes Enter itself
    Command2->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
}

void Form2::Command1_Click()
{
    auto& registry = WindowRegistry::instance();
    long long rows = 0;
    try {
        RecordCursor Data1(Module1::ledgerPath());
        rows = Data1.RecordCount();
    } catch (const std::exception& error) {
        // Without a readable ledger there is nothing the program can do.
        ShowMessage(this, describe(error));
        registry.endProgram();
        return;
    }
    registry.HandOver(QStringLiteral("Form2"),
                      rows <= 0 ? QStringLiteral("Form4") : QStringLiteral("frmLedger"));
}

void Form2::Command2_Click()
{
    WindowRegistry::instance().endProgram();
}

} // namespace tallowick
