#include "frmStatement.h"

#include "BusyPointer.h"
#include "Logo.h"
#include "MessageBox.h"
#include "Module1.h"
#include "StatementListModel.h"
#include "StoreError.h"
#include "StoreText.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

#include <optional>

namespace tallowick {

namespace {

const QString kName = QStringLiteral("frmStatement");

constexpr int kColumnTwips[] = {1080, 780, 3900, 1290, 2400};

// The choice as the box lists it: a match names its row's date and amount.
QString choiceText(const StatementDecision& decision, const StatementProposal& proposal, int row)
{
    if (decision.outcome == StatementOutcome::Matched)
        for (const StatementCandidate& candidate : proposal.choices.at(std::size_t(row)))
            if (candidate.rowid == decision.rowid)
                return QStringLiteral("Match row %1 (%2, %3)")
                    .arg(candidate.position)
                    .arg(candidate.date ? toQt(candidate.date->shortText()) : QString(),
                         toQt(candidate.amount.displayText()));
    return decision.outcome == StatementOutcome::New ? QStringLiteral("Add as a new row")
                                                     : StatementListModel::outcomeText(decision);
}

} // namespace

frmStatement::frmStatement(QWidget* parent) : QWidget(parent), model_(new StatementListModel(this))
{
    setWindowTitle(QStringLiteral("Import Statement"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(9900, 6000));
    layOut();

    connect(grdTransactions->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmStatement::showChoices);
    connect(cboOutcome, &QComboBox::activated, this, &frmStatement::cboOutcome_Activated);
    connect(cmdImport, &QPushButton::clicked, this, &frmStatement::cmdImport_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmStatement::handBack);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdCancel, &QPushButton::click);
}

void frmStatement::layOut()
{
    lblAccount = new QLabel(this);
    lblAccount->setObjectName(QStringLiteral("lblAccount"));
    lblAccount->setGeometry(twipsRect(120, 120, 9660, 255));

    grdTransactions = new QTableView(this);
    grdTransactions->setObjectName(QStringLiteral("grdTransactions"));
    grdTransactions->setAccessibleName(QStringLiteral("The statement's transactions"));
    grdTransactions->setGeometry(twipsRect(120, 480, 9660, 3900));
    grdTransactions->setModel(model_);
    grdTransactions->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdTransactions->setSelectionMode(QAbstractItemView::SingleSelection);
    grdTransactions->setTabKeyNavigation(false);
    grdTransactions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdTransactions->verticalHeader()->hide();
    grdTransactions->verticalHeader()->setDefaultSectionSize(px(255));
    for (int column = 0; column < StatementListModel::ColumnCount; ++column)
        grdTransactions->setColumnWidth(column, px(kColumnTwips[column]));
    grdTransactions->horizontalHeader()->setStretchLastSection(true);

    lblOutcome = new QLabel(QStringLiteral("&Outcome:"), this);
    lblOutcome->setObjectName(QStringLiteral("lblOutcome"));
    lblOutcome->setGeometry(twipsRect(120, 4530, 1080, 255));
    cboOutcome = new QComboBox(this);
    cboOutcome->setObjectName(QStringLiteral("cboOutcome"));
    cboOutcome->setAccessibleName(QStringLiteral("Outcome of the selected transaction"));
    cboOutcome->setGeometry(twipsRect(1200, 4500, 4800, 315));
    lblOutcome->setBuddy(cboOutcome);
    lblCounts = new QLabel(this);
    lblCounts->setObjectName(QStringLiteral("lblCounts"));
    lblCounts->setGeometry(twipsRect(120, 4980, 9660, 255));

    const auto button = [this](const char* name, const QString& caption, int left) {
        auto* made = new QPushButton(caption, this);
        made->setObjectName(QString::fromLatin1(name));
        made->setGeometry(twipsRect(left, 5460, 1320, 375));
        made->setAutoDefault(false);
        return made;
    };
    cmdImport = button("cmdImport", QStringLiteral("&Import"), 120);
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"), 8460);

    setTabOrder(grdTransactions, cboOutcome);
    setTabOrder(cboOutcome, cmdImport);
    setTabOrder(cmdImport, cmdCancel);
}

bool frmStatement::OpenStatement(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    try {
        std::optional<BusyPointer> busy(std::in_place);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw StoreError(StoreError::Kind::MissingFile,
                             "The file \"" + toStd(name) + "\" could not be opened.");
        const QByteArray bytes = file.readAll();
        const OfxFile read =
            readOfxFile(std::string_view(bytes.constData(), std::size_t(bytes.size())), toStd(name));
        std::string choice;
        const std::vector<const OfxAccountStatement*> banks = bankAccounts(read);
        if (banks.size() > 1) {
            QStringList labels;
            for (const OfxAccountStatement* account : banks)
                labels << toQt(account->label());
            bool chosen = false;
            busy.reset(); // the question waits for the user
            const QString label = QInputDialog::getItem(
                QApplication::activeWindow(), QStringLiteral("Import Statement"),
                QStringLiteral("The file holds several accounts; import:"), labels, 0, false, &chosen);
            busy.emplace();
            if (!chosen)
                return false;
            const OfxAccountStatement* account = banks.at(std::size_t(labels.indexOf(label)));
            choice = account->id + "/" + account->type;
        }
        statement_ = chooseAccount(read, choice, toStd(name));
        auto connection = LedgerConnection::open(Module1::ledgerPath());
        model_->reset(statement_.transactions, proposeStatement(*connection, statement_.transactions));
    } catch (const std::exception& error) {
        // Read before it is shown, the window tells its refusal over the window that asked.
        ShowMessage(isVisible() ? this : QApplication::activeWindow(), describe(error));
        return false;
    }
    QString summary = QStringLiteral("Account %1").arg(toQt(statement_.label()));
    if (statement_.balanceDate)
        summary += QStringLiteral(", statement of %1").arg(toQt(statement_.balanceDate->shortText()));
    if (statement_.endingBalance)
        summary += QStringLiteral(", ending balance %1").arg(toQt(statement_.endingBalance->displayText()));
    lblAccount->setText(summary);
    lblCounts->setText(model_->countsText());
    lblCounts->setAccessibleName(lblCounts->text());
    cmdImport->setEnabled(model_->rowCount() > 0);
    if (model_->rowCount() > 0)
        grdTransactions->setCurrentIndex(model_->index(0, StatementListModel::OutcomeColumn));
    showChoices();
    grdTransactions->setFocus();
    return true;
}

void frmStatement::showChoices()
{
    cboOutcome->clear();
    const int row = grdTransactions->currentIndex().row();
    if (row < 0) {
        cboOutcome->setEnabled(false);
        return;
    }
    const std::vector<StatementDecision> choices = model_->choices(row);
    for (const StatementDecision& choice : choices)
        cboOutcome->addItem(choiceText(choice, model_->proposal(), row));
    const auto current = std::find(choices.begin(), choices.end(), model_->decisions().at(std::size_t(row)));
    cboOutcome->setCurrentIndex(int(current - choices.begin()));
    cboOutcome->setEnabled(choices.size() > 1);
}

void frmStatement::cboOutcome_Activated(int choice)
{
    const int row = grdTransactions->currentIndex().row();
    if (row < 0 || choice < 0)
        return;
    model_->decide(row, model_->choices(row).at(std::size_t(choice)));
    lblCounts->setText(model_->countsText());
    lblCounts->setAccessibleName(lblCounts->text());
}

void frmStatement::cmdImport_Click()
{
    StatementResult result;
    try {
        BusyPointer busy;
        auto connection = LedgerConnection::open(Module1::ledgerPath());
        result = importStatement(*connection, model_->transactions(), model_->decisions(),
                                 model_->proposal().counter);
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return;
    }
    QString question = QStringLiteral("The statement is imported: %1 matched, %2 new. Open Reconcile")
                           .arg(result.matched)
                           .arg(result.added);
    const QString date = statement_.balanceDate ? toQt(statement_.balanceDate->shortText()) : QString();
    const QString balance =
        statement_.endingBalance ? toQt(statement_.endingBalance->plainText()) : QString();
    if (!date.isEmpty() || !balance.isEmpty())
        question += QStringLiteral(" with the statement's date and ending balance filled in");
    const bool reconcile = AskToProceed(this, question + QLatin1Char('?'));
    if (!reconcile)
        return handBack();
    QWidget* window = WindowRegistry::instance().HandOver(kName, QStringLiteral("frmReconcile"));
    if (window)
        QMetaObject::invokeMethod(window, "Prefill", Q_ARG(QString, date), Q_ARG(QString, balance));
}

void frmStatement::handBack()
{
    WindowRegistry::instance().HandOver(kName, QStringLiteral("frmLedger"));
}

bool frmStatement::eventFilter(QObject* watched, QEvent* event)
{
    // The title bar's close box cancels, as Esc does: the ledger window comes back.
    if (watched == this && event->type() == QEvent::Close) {
        event->ignore();
        cmdCancel->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmStatement::showEvent(QShowEvent* event)
{
    // Watching after the registry does, this window's filter runs first.
    if (!closeWatched_) {
        closeWatched_ = true;
        installEventFilter(this);
    }
    QWidget::showEvent(event);
}

} // namespace tallowick
