// What a screen reader meets in every window: each control that can take the focus has a name, and
// tying labels to their boxes adds no access key and takes none away.
#include "TestLedger.h"
#include "WindowDriver.h"
#include "WindowTestSupport.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>

using namespace tallowick;
using namespace tallowick::test;

namespace {

// "objectName=name" for every control of the window that can take the focus, sorted.
QStringList namedControls(QWidget* window)
{
    QStringList named;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        // A spin box's text box has no accessible object of its own: the spin box is announced for it.
        if (!(control->focusPolicy() & Qt::TabFocus) || control->objectName() == "qt_spinbox_lineedit")
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        named << control->objectName() + QLatin1Char('=')
                     + (accessible ? accessible->text(QAccessible::Name) : "");
    }
    named.sort();
    return named;
}

// The access keys the window answers to: its buttons' and its labels' (a label's "&" with a buddy).
QStringList accessKeys(QWidget* window)
{
    QStringList keys;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        keys << button->shortcut().toString();
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy())
            keys << QKeySequence::mnemonic(label->text()).toString();
    keys.removeAll(QString());
    keys.sort();
    return keys;
}

} // namespace

class AccessibilityTest : public WindowTest {
    Q_OBJECT

private slots:
    void everyControlIsNamed()
    {
        const struct {
            const char* window;
            QStringList named;
            QStringList keys;
        } windows[]{
            {"frmSplash", {}, {}},
            {"Form2", {"Command1=I Agree", "Command2=Cancel"}, {}},
            {"Form4", {"Command1=OK", "Text1=What is the initial balance of your account?"}, {}},
            {"frmLedger",
             {"Command1=Edit", "Command2=Print", "Command3=Insert", "Command4=Help", "cmdAdd=Add",
              "cmdClose=Close", "cmdDelete=Delete", "cmdRefresh=Refresh", "grdDataGrid=Ledger"},
             {"Alt+A", "Alt+C", "Alt+D", "Alt+E", "Alt+H", "Alt+I", "Alt+P", "Alt+R"}},
            {"Form3",
             {"Check1=Tax Deductible:", "Command1=Add", "Command2=Cancel", "Command3=Update",
              "Command4=First record", "Command5=Previous record", "Command6=Next record",
              "Command7=Last record", "Text1=Number:", "Text2=Date:", "Text5=Description of Transaction:",
              "Text6=Payment / Debit:", "Text7=Fee (if any):", "Text8=Deposit / Credit:", "Text9=Balance:"},
             {}},
            {"Form1", {}, {}},
            {"Form5", {"Command1=Delete", "Command2=Cancel"}, {}},
            {"Form6", {"Command1=OK", "WebBrowser1=Help page"}, {}},
            {"frmReport",
             {"cmdClose=Close", "cmdPreview=Preview\u2026", "cmdPrint=Print\u2026",
              "cmdSavePdf=Save as PDF\u2026", "dtpFrom=From", "dtpTo=To",
              "optDates=From:", "optReconciliation=Reconciliation", "optRegister=Register",
              "optTaxDeductible=Tax deductible payments", "optWholeLedger=Whole ledger",
              "optYear=Year:", "spnYear=Year"},
             {"Alt+C", "Alt+F", "Alt+N", "Alt+P", "Alt+R", "Alt+S", "Alt+T", "Alt+V", "Alt+W", "Alt+X",
              "Alt+Y"}},
            {"frmFind",
             {"Command1=Find Next", "Command2=Find Previous", "Command3=Close", "Text1=Find what:"},
             {"Esc", "F3", "Shift+F3"}},
            {"frmReconcile",
             {"chkShowLater=Show later rows", "cmdAdjust=Adjust\u2026", "cmdCancel=Cancel",
              "cmdFinish=Finish", "cmdPostpone=Postpone", "grdRows=Rows not yet reconciled",
              "txtEndingBalance=Ending balance:", "txtStatementDate=Statement date:"},
             {"Alt+D", "Alt+E", "Alt+F", "Alt+J", "Alt+L", "Alt+P"}},
            {"frmStatement",
             {"cboOutcome=Outcome of the selected transaction", "cmdCancel=Cancel", "cmdImport=Import",
              "grdTransactions=The statement's transactions"},
             {"Alt+I", "Alt+O"}},
        };
        for (const auto& [name, named, keys] : windows) {
            TestLedger ledger;
            ledger.append({makeRow("0", "0", "0", "100", "Initial Balance")});
            QWidget* window = registry().Show(QString::fromLatin1(name));
            QVERIFY2(window, name);
            QCOMPARE(namedControls(window), named); // a control without a name shows as "objectName="
            QCOMPARE(accessKeys(window), keys);
            closeAllWindows();
        }
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
