#include "Form1.h"

#include "BusyPointer.h"
#include "Form3.h"
#include "InsertRow.h"
#include "MessageBox.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "StoreText.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace tallowick {

Form1::Form1(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Insert"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1->start();
}

Form1::~Form1() = default;

void Form1::Timer1_Timer()
{
    Timer1->stop();
    const std::int64_t selected = Module1::SelectedRowPosition;
    try {
        BusyPointer busy;
        Data1 = std::make_unique<RecordCursor>(Module1::ledgerPath());
        InsertPlaceholderAfter(*Data1, selected);
    } catch (const std::exception& error) {
        // The insertion is one transaction: the ledger is as it was.
        ShowMessage(nullptr, describe(error));
        returnToLedger();
        return;
    }
    Module1::SelectedRowPosition = std::int32_t(selected + 1);

    // Open the editor on the placeholder, as the ledger window's Edit does.
    auto& registry = WindowRegistry::instance();
    registry.Show<Form3>(QStringLiteral("Form3"))->PrepareEditMode();
    registry.Hide(QStringLiteral("Form1"));
    registry.Unload(QStringLiteral("Form1"));
}

void Form1::returnToLedger()
{
    WindowRegistry::instance().HandOver(QStringLiteral("Form1"), QStringLiteral("frmLedger"));
}

} // namespace tallowick
