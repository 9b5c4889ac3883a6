#include "frmLedger.h"

#include "LedgerContextMenu.h"
#include "LedgerRecordset.h"
#include "LedgerTableModel.h"
#include "LedgerUndoCommands.h"
#include "Logo.h"
#include "MessageBox.h"
#include "StoreText.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace tallowick {

namespace {
constexpr int kRecordsetBarTwips = 330;
constexpr int kGapTwips = 30;
constexpr int kStripTwips = 300;
} // namespace

frmLedger::frmLedger(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("My Tallowick"));
    setWindowIcon(logoIcon());
    resize(twipsSize(11820, 8220));

    grdDataGrid = new QTableView(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    grdDataGrid->setAccessibleName(QStringLiteral("Ledger"));
    grdDataGrid->setGeometry(0, 0, px(11820), px(8220 - kRecordsetBarTwips - kGapTwips - kStripTwips));
    // The grid only displays: every change goes through the editor, which keeps the balances right.
    grdDataGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDataGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdDataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDataGrid->setWordWrap(false);
    grdDataGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdDataGrid->verticalHeader()->setVisible(false);
    grdDataGrid->verticalHeader()->setDefaultSectionSize(grdDataGrid->fontMetrics().height() + 6);
    grdDataGrid->horizontalHeader()->setHighlightSections(false);
    // The spacer and "T" columns are narrower than the style's smallest section.
    grdDataGrid->horizontalHeader()->setMinimumSectionSize(1);
    // Tab leaves the grid for the buttons instead of walking its cells
    // (which would also move the current row).
    grdDataGrid->setTabKeyNavigation(false);

    datPrimaryRS = new LedgerRecordset(grdDataGrid, this);
    for (int column = 0; column < LedgerTableModel::ColumnCount; ++column)
        grdDataGrid->setColumnWidth(column, qMax(1, px(LedgerTableModel::columnWidthTwips(column))));
    auto* undoCommands = new LedgerUndoCommands(this);
    connect(undoCommands, &LedgerUndoCommands::applied, this, &frmLedger::showChangedRow);
    LedgerContextMenu::attach(grdDataGrid, undoCommands);
    connect(datPrimaryRS->model(), &LedgerTableModel::dataError, this, &frmLedger::showDataError,
            Qt::QueuedConnection);

    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    picButtons->setGeometry(0, height() - px(kStripTwips), width(), px(kStripTwips));

    cmdAdd = makeButton("cmdAdd", QStringLiteral("&Add"), 0);
    Command1 = makeButton("Command1", QStringLiteral("&Edit"), 1200);
    cmdDelete = makeButton("cmdDelete", QStringLiteral("&Delete"), 2400);
    Command3 = makeButton("Command3", QStringLiteral("&Insert"), 3600);
    cmdRefresh = makeButton("cmdRefresh", QStringLiteral("&Refresh"), 4800);
    cmdClose = makeButton("cmdClose", QStringLiteral("&Close"), 6000);
    Command4 = makeButton("Command4", QStringLiteral("&Help"), 9120);
    Command2 = makeButton("Command2", QStringLiteral("&Print"), 10320);

    // Tab order: the grid, then Add, Delete, Refresh, Close, Edit, Print, Insert, Help.
    setTabOrder(grdDataGrid, cmdAdd);
    setTabOrder(cmdAdd, cmdDelete);
    setTabOrder(cmdDelete, cmdRefresh);
    setTabOrder(cmdRefresh, cmdClose);
    setTabOrder(cmdClose, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    grdDataGrid->setFocus();

    connect(cmdRefresh, &QPushButton::clicked, this, &frmLedger::cmdRefresh_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmLedger::cmdClose_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmLedger::cmdAdd_Click);
    connect(Command1, &QPushButton::clicked, this, &frmLedger::Command1_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmLedger::cmdDelete_Click);
    connect(Command3, &QPushButton::clicked, this, &frmLedger::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmLedger::Command4_Click);
    connect(Command2, &QPushButton::clicked, this, &frmLedger::Command2_Click);

    // The query opens with the window; a failure is met again, and reported,
    // by the first tick's re-read.
    try {
        datPrimaryRS->open();
    } catch (const std::exception&) {
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &frmLedger::Timer1_Timer);
    Timer1->start();
}

frmLedger::~frmLedger()
{
    // Whatever long work set the busy pointer, the arrow comes back.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

QPushButton* frmLedger::makeButton(const char* name, const QString& caption, int leftTwips)
{
    auto* button = new QPushButton(caption, picButtons);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(leftTwips, 0, 1095, kStripTwips));
    button->setAutoDefault(false);
    return button;
}

void frmLedger::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyResizeRule();
}

void frmLedger::applyResizeRule()
{
    const int strip = px(kStripTwips);
    picButtons->setGeometry(0, height() - strip, width(), strip);
    const int gridHeight = height() - px(kRecordsetBarTwips) - px(kGapTwips) - strip;
    // Too small a window leaves the grid as it was.
    if (gridHeight >= 0)
        grdDataGrid->resize(grdDataGrid->width(), gridHeight);
}

void frmLedger::Timer1_Timer()
{
    Timer1->stop();
    try {
        datPrimaryRS->Refresh(true); // the reading the window opened with
        datPrimaryRS->MoveLast();
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
}

void frmLedger::cmdRefresh_Click()
{
    try {
        datPrimaryRS->Refresh();
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
}

void frmLedger::showChangedRow(int position)
{
    // An undo typed before the opening tick: its row, not the last one, stays selected.
    Timer1->stop();
    try {
        datPrimaryRS->Refresh();
        datPrimaryRS->MoveTo(position);
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
    }
}

void frmLedger::cmdClose_Click()
{
    WindowRegistry::instance().Unload(QStringLiteral("frmLedger"));
}

void frmLedger::showDataError(const QString& description)
{
    // Reported after the grid's read; by then the window may have handed over.
    if (!isVisible() || WindowRegistry::instance().window(QStringLiteral("frmLedger")) != this)
        return;
    ShowMessage(this, QStringLiteral("Data error event hit err:") + description);
}

} // namespace tallowick
