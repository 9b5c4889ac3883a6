#include "frmReport.h"

#include "Logo.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>

namespace tallowick {

namespace {

LedgerDate ledgerDate(const QDate& date)
{
    return {date.year(), date.month(), date.day()};
}

QDateEdit* makeDateEdit(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(accessibleName);
    edit->setDisplayFormat(QStringLiteral("M/d/yyyy"));
    edit->setCalendarPopup(true);
    edit->setDateRange(QDate(1000, 1, 1), QDate(9999, 12, 31));
    return edit;
}

QRadioButton* makeOption(const char* name, const QString& caption, const QRect& place, QWidget* parent)
{
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QString::fromLatin1(name));
    option->setGeometry(place);
    return option;
}

} // namespace

frmReport::frmReport(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Report"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(5400, 3795));
    const QDate today = QDate::currentDate();

    fraPeriod = new QGroupBox(QStringLiteral("Period"), this);
    fraPeriod->setObjectName(QStringLiteral("fraPeriod"));
    fraPeriod->setGeometry(twipsRect(120, 60, 5160, 1560));
    optWholeLedger = makeOption("optWholeLedger", QStringLiteral("&Whole ledger"),
                                twipsRect(240, 300, 2400, 285), fraPeriod);
    optYear = makeOption("optYear", QStringLiteral("&Year:"), twipsRect(240, 690, 1140, 285), fraPeriod);
    spnYear = new QSpinBox(fraPeriod);
    spnYear->setObjectName(QStringLiteral("spnYear"));
    spnYear->setAccessibleName(QStringLiteral("Year"));
    spnYear->setGeometry(twipsRect(1440, 660, 1000, 330));
    spnYear->setRange(1000, 9999);
    spnYear->setValue(today.year());
    optDates = makeOption("optDates", QStringLiteral("&From:"), twipsRect(240, 1080, 1140, 285), fraPeriod);
    dtpFrom = makeDateEdit("dtpFrom", QStringLiteral("From"), fraPeriod);
    dtpFrom->setGeometry(twipsRect(1440, 1050, 1500, 330));
    dtpFrom->setDate(QDate(today.year(), 1, 1));
    lblTo = new QLabel(QStringLiteral("&to:"), fraPeriod);
    lblTo->setObjectName(QStringLiteral("lblTo"));
    lblTo->setGeometry(twipsRect(3060, 1080, 360, 285));
    dtpTo = makeDateEdit("dtpTo", QStringLiteral("To"), fraPeriod);
    dtpTo->setGeometry(twipsRect(3480, 1050, 1500, 330));
    dtpTo->setDate(today);
    lblTo->setBuddy(dtpTo);
    optYear->setChecked(true);

    fraContent = new QGroupBox(QStringLiteral("Content"), this);
    fraContent->setObjectName(QStringLiteral("fraContent"));
    fraContent->setGeometry(twipsRect(120, 1700, 5160, 1440));
    optRegister =
        makeOption("optRegister", QStringLiteral("&Register"), twipsRect(240, 300, 4000, 285), fraContent);
    optTaxDeductible = makeOption("optTaxDeductible", QStringLiteral("Ta&x deductible payments"),
                                  twipsRect(240, 660, 4000, 285), fraContent);
    optReconciliation = makeOption("optReconciliation", QStringLiteral("Reco&nciliation"),
                                   twipsRect(240, 1020, 4000, 285), fraContent);
    optRegister->setChecked(true);

    cmdPreview = makeButton("cmdPreview", QStringLiteral("Pre&view\u2026"), 120);
    cmdPrint = makeButton("cmdPrint", QStringLiteral("&Print\u2026"), 1440);
    cmdSavePdf = makeButton("cmdSavePdf", QStringLiteral("&Save as PDF\u2026"), 2760);
    cmdClose = makeButton("cmdClose", QStringLiteral("&Close"), 4080);

    setTabOrder(optWholeLedger, optYear);
    setTabOrder(optYear, optDates);
    setTabOrder(optDates, spnYear);
    setTabOrder(spnYear, dtpFrom);
    setTabOrder(dtpFrom, dtpTo);
    setTabOrder(dtpTo, optRegister);
    setTabOrder(optRegister, optTaxDeductible);
    setTabOrder(optTaxDeductible, optReconciliation);
    setTabOrder(optReconciliation, cmdPreview);
    setTabOrder(cmdPreview, cmdPrint);
    setTabOrder(cmdPrint, cmdSavePdf);
    setTabOrder(cmdSavePdf, cmdClose);
    optYear->setFocus();

    for (QRadioButton* option : {optWholeLedger, optYear, optDates, optReconciliation})
        connect(option, &QRadioButton::toggled, this, &frmReport::enablePeriodBoxes);
    enablePeriodBoxes();
    // The period never ends before it starts: the other end follows.
    connect(dtpFrom, &QDateEdit::dateChanged, this, [this](const QDate& from) {
        if (dtpTo->date() < from)
            dtpTo->setDate(from);
    });
    connect(dtpTo, &QDateEdit::dateChanged, this, [this](const QDate& to) {
        if (dtpFrom->date() > to)
            dtpFrom->setDate(to);
    });

    connect(cmdPreview, &QPushButton::clicked, this, &frmReport::cmdPreview_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmReport::cmdPrint_Click);
    connect(cmdSavePdf, &QPushButton::clicked, this, &frmReport::cmdSavePdf_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmReport::cmdClose_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdClose, &QPushButton::click);
}

QPushButton* frmReport::makeButton(const char* name, const QString& caption, int leftTwips)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(leftTwips, 3300, 1200, 375));
    return button;
}

void frmReport::enablePeriodBoxes()
{
    // A reconciliation is of the last finished statement, not of a period.
    fraPeriod->setEnabled(!optReconciliation->isChecked());
    spnYear->setEnabled(optYear->isChecked());
    dtpFrom->setEnabled(optDates->isChecked());
    dtpTo->setEnabled(optDates->isChecked());
}

ReportChoice frmReport::Choice() const
{
    ReportChoice choice;
    choice.content = optTaxDeductible->isChecked() ? ReportContent::TaxDeductible : ReportContent::Register;
    if (optYear->isChecked())
        choice.period = ReportPeriod::year(spnYear->value());
    else if (optDates->isChecked())
        choice.period = {ledgerDate(dtpFrom->date()), ledgerDate(dtpTo->date())};
    return choice;
}

bool frmReport::ReconciliationChosen() const
{
    return optReconciliation->isChecked();
}

void frmReport::cmdClose_Click()
{
    auto& registry = WindowRegistry::instance();
    registry.Hide(QStringLiteral("frmReport"));
    registry.Unload(QStringLiteral("frmReport"));
    // The ledger window, if still open, takes the keyboard again.
    if (QWidget* ledger = registry.window(QStringLiteral("frmLedger")))
        ledger->activateWindow();
}

} // namespace tallowick
