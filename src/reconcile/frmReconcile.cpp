#include "frmReconcile.h"

#include "LedgerDate.h"
#include "Logo.h"
#include "MessageBox.h"
#include "Module1.h"
#include "ReconcileListModel.h"
#include "StoreError.h"
#include "StoreText.h"
#include "Twips.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

namespace tallowick {

namespace {

QLabel* makeLabel(const char* name, const QString& text, const QRect& place, QWidget* parent,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setAlignment(alignment);
    return label;
}

QString money(const Money& amount)
{
    return toQt(amount.displayText());
}

// A figure beside its caption: a screen reader says both, "Cleared deposits $1,200.00".
void showFigure(QLabel* figure, const QLabel* caption, const QString& text)
{
    figure->setText(text);
    figure->setAccessibleName(QString(caption->text()).remove(QLatin1Char(':')) + QLatin1Char(' ') + text);
}

// The column widths of the list in twips, as the grid's.
constexpr int kColumnTwips[] = {780, 675, 930, 3600, 1290, 660, 1290};

} // namespace

frmReconcile::frmReconcile(QWidget* parent) : QWidget(parent), model_(new ReconcileListModel(this))
{
    setWindowTitle(QStringLiteral("Reconcile"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(9900, 6480));
    layOut();

    connect(txtStatementDate, &QLineEdit::editingFinished, this, &frmReconcile::txtStatementDate_LostFocus);
    connect(txtEndingBalance, &QLineEdit::textChanged, this, &frmReconcile::showTotals);
    connect(chkShowLater, &QCheckBox::toggled, this, &frmReconcile::relist);
    connect(model_, &ReconcileListModel::ticksChanged, this, &frmReconcile::showTotals);
    connect(model_, &ReconcileListModel::dataError, this,
            [this](const QString& description) { ShowMessage(this, description); });
    connect(cmdFinish, &QPushButton::clicked, this, &frmReconcile::cmdFinish_Click);
    connect(cmdAdjust, &QPushButton::clicked, this, &frmReconcile::cmdAdjust_Click);
    connect(cmdPostpone, &QPushButton::clicked, this, &frmReconcile::cmdPostpone_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmReconcile::cmdCancel_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdCancel, &QPushButton::click);
    grdRows->installEventFilter(this);

    Form_Load();
}

void frmReconcile::layOut()
{
    lblStatementDate = makeLabel("lblStatementDate", QStringLiteral("Statement &date:"),
                                 twipsRect(120, 150, 1440, 255), this);
    txtStatementDate = new QLineEdit(this);
    txtStatementDate->setObjectName(QStringLiteral("txtStatementDate"));
    txtStatementDate->setGeometry(twipsRect(1560, 120, 1380, 315));
    lblStatementDate->setBuddy(txtStatementDate);
    lblEndingBalance = makeLabel("lblEndingBalance", QStringLiteral("&Ending balance:"),
                                 twipsRect(3180, 150, 1440, 255), this);
    txtEndingBalance = new QLineEdit(this);
    txtEndingBalance->setObjectName(QStringLiteral("txtEndingBalance"));
    txtEndingBalance->setGeometry(twipsRect(4620, 120, 1500, 315));
    lblEndingBalance->setBuddy(txtEndingBalance);
    lblStartingCaption = makeLabel("lblStartingCaption", QStringLiteral("Starting balance:"),
                                   twipsRect(6360, 150, 1500, 255), this);
    lblStartingBalance = makeLabel("lblStartingBalance", QString(), twipsRect(7860, 150, 1920, 255), this,
                                   Qt::AlignRight | Qt::AlignVCenter);
    lblNotice = makeLabel("lblNotice", QString(), twipsRect(120, 480, 9660, 480), this);
    lblNotice->setWordWrap(true);

    grdRows = new QTableView(this);
    grdRows->setObjectName(QStringLiteral("grdRows"));
    grdRows->setAccessibleName(QStringLiteral("Rows not yet reconciled"));
    grdRows->setGeometry(twipsRect(120, 1020, 9660, 3300));
    grdRows->setModel(model_);
    grdRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdRows->setSelectionMode(QAbstractItemView::SingleSelection);
    grdRows->setTabKeyNavigation(false);
    grdRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRows->verticalHeader()->hide();
    grdRows->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdRows->verticalHeader()->setDefaultSectionSize(px(255));
    for (int column = 0; column < ReconcileListModel::ColumnCount; ++column)
        grdRows->setColumnWidth(column, px(kColumnTwips[column]));
    grdRows->horizontalHeader()->setStretchLastSection(true);

    chkShowLater = new QCheckBox(QStringLiteral("Show &later rows"), this);
    chkShowLater->setObjectName(QStringLiteral("chkShowLater"));
    chkShowLater->setGeometry(twipsRect(120, 4440, 2400, 285));

    const auto total = [this](const char* caption, const char* value, const QString& text, int top,
                              QLabel*& captionLabel) {
        captionLabel = makeLabel(caption, text, twipsRect(4920, top, 2760, 255), this);
        QLabel* valueLabel = makeLabel(value, QString(), twipsRect(7680, top, 2100, 255), this,
                                       Qt::AlignRight | Qt::AlignVCenter);
        return valueLabel;
    };
    lblPayments = total("lblPaymentsCaption", "lblPayments", QStringLiteral("Cleared payments and fees:"),
                        4440, lblPaymentsCaption);
    lblDeposits = total("lblDepositsCaption", "lblDeposits", QStringLiteral("Cleared deposits:"), 4740,
                        lblDepositsCaption);
    lblClearedBalance = total("lblClearedCaption", "lblClearedBalance", QStringLiteral("Cleared balance:"),
                              5040, lblClearedCaption);
    lblDifference = total("lblDifferenceCaption", "lblDifference", QStringLiteral("Difference:"), 5340,
                          lblDifferenceCaption);

    const auto button = [this](const char* name, const QString& caption, int left) {
        auto* made = new QPushButton(caption, this);
        made->setObjectName(QString::fromLatin1(name));
        made->setGeometry(twipsRect(left, 5940, 1320, 375));
        made->setAutoDefault(false);
        return made;
    };
    cmdFinish = button("cmdFinish", QStringLiteral("&Finish"), 120);
    cmdAdjust = button("cmdAdjust", QStringLiteral("Ad&just\u2026"), 1560);
    cmdPostpone = button("cmdPostpone", QStringLiteral("&Postpone"), 3000);
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"), 8460);

    setTabOrder(txtStatementDate, txtEndingBalance);
    setTabOrder(txtEndingBalance, grdRows);
    setTabOrder(grdRows, chkShowLater);
    setTabOrder(chkShowLater, cmdFinish);
    setTabOrder(cmdFinish, cmdAdjust);
    setTabOrder(cmdAdjust, cmdPostpone);
    setTabOrder(cmdPostpone, cmdCancel);
}

void frmReconcile::Form_Load()
{
    try {
        model_->open(Module1::ledgerPath());
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
    const ReconciliationView& view = model_->view();
    // A postponed reconciliation comes back as it was left; else the month after the last statement.
    QDate date = QDate::currentDate();
    if (view.draft.statementDate)
        date = QDate(view.draft.statementDate->year, view.draft.statementDate->month,
                     view.draft.statementDate->day);
    else if (const BankStatement* last = view.lastStatement())
        date = QDate(last->date.year, last->date.month, last->date.day).addMonths(1);
    txtStatementDate->setText(date.toString(QStringLiteral("M/d/yyyy")));
    if (view.draft.endingBalance)
        txtEndingBalance->setText(toQt(view.draft.endingBalance->plainText()));
    showFigure(lblStartingBalance, lblStartingCaption, money(view.startingBalance()));
    showNotice();
    relist();
    txtStatementDate->setFocus();
    txtStatementDate->selectAll();
}

void frmReconcile::Prefill(const QString& statementDate, const QString& endingBalance)
{
    if (!statementDate.isEmpty())
        txtStatementDate->setText(statementDate);
    if (!endingBalance.isEmpty())
        txtEndingBalance->setText(endingBalance);
    relist();
    showTotals();
}

void frmReconcile::showNotice()
{
    const MarkCheck& check = model_->view().check;
    QStringList said;
    if (check.dropped > 0)
        said << QStringLiteral("%1 %2 dropped, as %3 changed or removed by another program")
                    .arg(check.dropped)
                    .arg(check.dropped == 1 ? QStringLiteral("mark was") : QStringLiteral("marks were"),
                         check.dropped == 1 ? QStringLiteral("its row was")
                                            : QStringLiteral("their rows were"));
    QStringList statements;
    for (std::int64_t id : check.unbalanced)
        for (const BankStatement& statement : model_->view().statements)
            if (statement.id == id)
                statements << toQt(statement.date.shortText());
    if (!statements.isEmpty())
        said << QStringLiteral("the %1 of %2 no longer %3")
                    .arg(statements.size() == 1 ? QStringLiteral("statement") : QStringLiteral("statements"),
                         statements.join(QStringLiteral(", ")),
                         statements.size() == 1 ? QStringLiteral("balances") : QStringLiteral("balance"));
    if (said.isEmpty()) {
        lblNotice->clear();
        return;
    }
    QString text = said.join(QStringLiteral("; ")) + QLatin1Char('.');
    text[0] = text[0].toUpper();
    lblNotice->setText(text);
}

std::optional<LedgerDate> frmReconcile::StatementDate() const
{
    try {
        return LedgerDate::parse(toStd(txtStatementDate->text()));
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

std::optional<Money> frmReconcile::EndingBalance() const
{
    try {
        return Money::parse(toStd(txtEndingBalance->text()));
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

std::optional<Money> frmReconcile::Difference() const
{
    const std::optional<Money> ending = EndingBalance();
    if (!ending)
        return std::nullopt;
    try {
        const Money cleared =
            model_->view().startingBalance() + model_->tickedDeposits() - model_->tickedPayments();
        return *ending - cleared;
    } catch (const StoreError&) { // beyond what Money holds
        return std::nullopt;
    }
}

void frmReconcile::txtStatementDate_LostFocus()
{
    if (!StatementDate()) {
        ShowMessage(this, QStringLiteral("The date is invalid or in the wrong format"));
        return;
    }
    relist();
}

void frmReconcile::relist()
{
    const std::optional<LedgerDate> date = StatementDate();
    // With no date the list stays as it was, until one is typed.
    if (!date && model_->rowCount() > 0)
        return;
    model_->list(date, chkShowLater->isChecked());
    showTotals();
}

void frmReconcile::showTotals()
{
    const ReconciliationView& view = model_->view();
    showFigure(lblPayments, lblPaymentsCaption, money(model_->tickedPayments()));
    showFigure(lblDeposits, lblDepositsCaption, money(model_->tickedDeposits()));
    QString cleared;
    try {
        cleared = money(view.startingBalance() + model_->tickedDeposits() - model_->tickedPayments());
    } catch (const StoreError&) {
    }
    showFigure(lblClearedBalance, lblClearedCaption, cleared);
    const std::optional<Money> difference = Difference();
    const bool balanced = difference && *difference == Money();
    const QString text = difference ? money(*difference) : QString();
    if (text != lblDifference->text()) {
        showFigure(lblDifference, lblDifferenceCaption, text);
        lblDifference->setStyleSheet(
            difference && !balanced ? QStringLiteral("color: #c00000; font-weight: bold;") : QString());
        // Said to a screen reader at once, without moving the focus.
        if (difference && !balanced) {
            QAccessibleEvent alert(lblDifference, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
    }
    cmdFinish->setEnabled(balanced && StatementDate().has_value());
    cmdAdjust->setEnabled(difference && !balanced && StatementDate().has_value());
}

bool frmReconcile::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grdRows) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space
            && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
            model_->toggle(grdRows->currentIndex().row());
            return true;
        }
        // The keyboard's way in starts at the first row.
        if (event->type() == QEvent::FocusIn && !grdRows->currentIndex().isValid() && model_->rowCount() > 0)
            grdRows->setCurrentIndex(model_->index(0, ReconcileListModel::TickColumn));
    }
    // The title bar's close box cancels, as Esc does: the ledger window comes back.
    if (watched == this && event->type() == QEvent::Close) {
        event->ignore();
        cmdCancel->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmReconcile::showEvent(QShowEvent* event)
{
    // Watching after the registry does, this window's filter runs first.
    if (!closeWatched_) {
        closeWatched_ = true;
        installEventFilter(this);
    }
    QWidget::showEvent(event);
}

} // namespace tallowick
