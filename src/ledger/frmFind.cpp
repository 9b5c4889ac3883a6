#include "frmFind.h"

#include "BusyPointer.h"
#include "LedgerRecordset.h"
#include "Logo.h"
#include "MessageBox.h"
#include "Module1.h"
#include "StoreText.h"
#include "Twips.h"
#include "WindowRegistry.h"
#include "frmLedger.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

#include <algorithm>

namespace tallowick {

namespace {

const QString kName = QStringLiteral("frmFind");

// The text outlives the window: it is there again at the next opening.
QString& rememberedText()
{
    static QString text;
    return text;
}

// Beside the ledger window where the screen has room: right of it, left of
// it, below or above it. Where it has none, at the screen's top right corner,
// over the ledger window's edge (a match is then scrolled to the grid's middle).
QPoint placeBeside(const QRect& ledger, const QSize& size, const QRect& screen)
{
    // Never std::clamp: on a screen smaller than the window its bounds cross.
    const int alignedTop =
        std::max(screen.top(), std::min(ledger.top(), screen.bottom() + 1 - size.height()));
    const int alignedLeft = std::max(
        screen.left(), std::min(ledger.right() + 1 - size.width(), screen.right() + 1 - size.width()));
    const QPoint candidates[] = {{ledger.right() + 1, alignedTop},
                                 {ledger.left() - size.width(), alignedTop},
                                 {alignedLeft, ledger.bottom() + 1},
                                 {alignedLeft, ledger.top() - size.height()}};
    for (const QPoint& place : candidates)
        if (screen.contains(QRect(place, size)))
            return place;
    return {std::max(screen.left(), screen.right() + 1 - size.width()), screen.top()};
}

} // namespace

frmFind::frmFind(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Find"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(5355, 1485));

    Label1 = new QLabel(QStringLiteral("Find what:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 150, 990, 255));
    Text1 = new QLineEdit(rememberedText(), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(1110, 120, 2655, 285));
    Label1->setBuddy(Text1);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(1110, 525, 2655, 255));

    const auto makeButton = [this](const char* name, const QString& caption, int top,
                                   const QKeySequence& key) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(twipsRect(3885, top, 1350, 375));
        button->setAutoDefault(false);
        button->setShortcut(key);
        return button;
    };
    Command1 = makeButton("Command1", QStringLiteral("Find Next"), 120, QKeySequence(Qt::Key_F3));
    Command2 =
        makeButton("Command2", QStringLiteral("Find Previous"), 555, QKeySequence(Qt::SHIFT | Qt::Key_F3));
    Command3 = makeButton("Command3", QStringLiteral("Close"), 990, QKeySequence(Qt::Key_Escape));
    Command1->setDefault(true);

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    Text1->setFocus();
    Text1->selectAll();

    connect(Text1, &QLineEdit::textChanged, this, [this](const QString& text) {
        rememberedText() = text;
        Label2->clear();
    });
    // Enter in the box presses the default button.
    connect(Text1, &QLineEdit::returnPressed, Command1, &QPushButton::click);
    connect(Command1, &QPushButton::clicked, this, [this] { Search(FindDirection::Next); });
    connect(Command2, &QPushButton::clicked, this, [this] { Search(FindDirection::Previous); });
    connect(Command3, &QPushButton::clicked, this, &frmFind::Command3_Click);

    // It serves the ledger window's grid only: when that window is unloaded
    // (closed, or handing over to another window) this one goes with it, and
    // the program still ends with the last ledger window.
    connect(&WindowRegistry::instance(), &WindowRegistry::unloading, this, [this](const QString& name) {
        auto& registry = WindowRegistry::instance();
        if (name == QLatin1String("frmLedger") && registry.window(kName) == this)
            registry.Unload(kName);
    });
}

frmFind* frmFind::ShowBeside(QWidget* ledger)
{
    auto* window = WindowRegistry::instance().Load<frmFind>(kName);
    if (!window->isVisible()) {
        // Not shown yet, this window has no frame: it will get one like the ledger window's.
        const QSize frame = window->size() + (ledger->frameGeometry().size() - ledger->size());
        if (QScreen* screen = ledger->screen())
            window->move(placeBeside(ledger->frameGeometry(), frame, screen->availableGeometry()));
        window->show();
    }
    window->raise();
    window->activateWindow();
    window->Text1->setFocus();
    window->Text1->selectAll();
    return window;
}

void frmFind::Search(FindDirection direction)
{
    Label2->clear();
    auto* ledger = qobject_cast<frmLedger*>(WindowRegistry::instance().window(QStringLiteral("frmLedger")));
    if (!ledger || Text1->text().isEmpty())
        return;
    LedgerRecordset* grid = ledger->datPrimaryRS;
    std::optional<long long> position;
    try {
        BusyPointer busy;
        // The search reads the file itself, not the grid's few pages; the
        // grid first shows what the file holds now, so that a match is the
        // row it selects. Another program may write between the two reads:
        // a match beyond the grid's rows then has the grid read once more.
        grid->RefreshIfChanged();
        auto connection = LedgerConnection::open(Module1::ledgerPath());
        position = findRow(*connection, FindText(toStd(Text1->text())), grid->AbsolutePosition(), direction);
        if (position && *position > grid->RecordCount())
            grid->RefreshIfChanged();
    } catch (const std::exception& error) {
        ShowMessage(this, describe(error));
        return;
    }
    if (!position) {
        Label2->setText(QStringLiteral("Not found"));
        return;
    }
    // A match from beyond the visible rows comes to the grid's middle, away
    // from an edge this window may cover.
    QTableView* view = ledger->grdDataGrid;
    const QModelIndex match = view->model()->index(int(*position) - 1, 0);
    const bool inView = view->viewport()->rect().contains(view->visualRect(match));
    grid->MoveTo(int(*position));
    if (!inView)
        view->scrollTo(match, QAbstractItemView::PositionAtCenter);
}

void frmFind::Command3_Click()
{
    auto& registry = WindowRegistry::instance();
    registry.Hide(kName);
    registry.Unload(kName);
    if (QWidget* ledger = registry.window(QStringLiteral("frmLedger")))
        ledger->activateWindow();
}

} // namespace tallowick
