// The editor's life, its entry rules and its ways out.
#include "Form3.h"

#include "MessageBox.h"
#include "Module1.h"
#include "RecordCursor.h"
#include "StoreText.h"
#include "WindowRegistry.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tallowick {

Form3::Form3(QWidget* parent) : QWidget(parent)
{
    buildControls();

    for (QWidget* entry : std::initializer_list<QWidget*>{Text1, Text2, Text5, Text6, Text7, Text8, Check1})
        entry->installEventFilter(this);
    for (QLineEdit* amount : {Text6, Text7, Text8})
        connect(amount, &QLineEdit::textChanged, this, &Form3::AmountChanged);

    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form3::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form3::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form3::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form3::Command7_Click);
    connect(Timer1, &QTimer::timeout, this, &Form3::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form3::Timer2_Timer);

    // The cursor opens with the window; a ledger that cannot be opened is
    // reported when "Add" or "Update" needs it.
    try {
        Data1 = std::make_unique<RecordCursor>(Module1::ledgerPath());
    } catch (const std::exception&) {
    }

    Timer1->start();
    Timer2->start();
    // Once the opener has chosen the visible buttons, the focus goes to the
    // first visible control in keyboard order ("<" in edit mode, the number
    // box in add mode).
    QTimer::singleShot(0, this, [this] {
        for (QWidget* control : std::initializer_list<QWidget*>{Command5, Text1})
            if (control->isVisible()) {
                control->setFocus(Qt::TabFocusReason);
                return;
            }
    });
}

Form3::~Form3() = default;

void Form3::setDefaultButton(QPushButton* button)
{
    defaultButton_ = button;
    for (QPushButton* each : {Command1, Command3})
        each->setDefault(each == button);
}

void Form3::PrepareEditMode()
{
    Command1->setVisible(false);
    Command3->setVisible(true);
    for (QPushButton* navigation : {Command4, Command5, Command6, Command7})
        navigation->setVisible(true);
    Timer2->start();
}

void Form3::PrepareAddMode()
{
    Timer2->stop();
    setDefaultButton(Command1);
    Command1->setVisible(true);
    Command3->setVisible(false);
    HideNavigation();
}

bool Form3::eventFilter(QObject* watched, QEvent* event)
{
    // Entering any field ends navigation for the rest of the window's life.
    if (event->type() == QEvent::FocusIn)
        HideNavigation();
    return QWidget::eventFilter(watched, event);
}

void Form3::keyPressEvent(QKeyEvent* event)
{
    // Enter anywhere but on a button presses the default button; focused
    // buttons take Enter themselves. No button answers to Esc.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && defaultButton_
        && defaultButton_->isVisible()) {
        event->accept();
        defaultButton_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form3::HideNavigation()
{
    for (QPushButton* navigation : {Command4, Command5, Command6, Command7})
        navigation->setVisible(false);
}

void Form3::AmountChanged()
{
    const std::pair<QLineEdit*, Money*> amounts[] = {
        {Text6, &PaymentAmount}, {Text7, &FeeAmount}, {Text8, &DepositAmount}};
    try {
        for (const auto& [box, amount] : amounts)
            *amount = box->text().isEmpty() ? Money() : Money::parse(toStd(box->text()));
        Text9->setText(toQt((PriorBalance - PaymentAmount - FeeAmount + DepositAmount).plainText()));
        balanceShown_ = true;
    } catch (const StoreError&) {
        balanceShown_ = false;
        ShowMessage(this, QStringLiteral("This value is invalid"));
    }
}

void Form3::Command2_Click()
{
    returnToLedger();
}

void Form3::returnToLedger()
{
    WindowRegistry::instance().HandOver(QStringLiteral("Form3"), QStringLiteral("frmLedger"));
}

} // namespace tallowick
