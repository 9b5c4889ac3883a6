// The editor's controls, placed as the window is designed.
#include "Form3.h"

#include "Logo.h"
#include "Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace tallowick {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, Qt::Alignment alignment,
                  const QRect& place)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(alignment | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

QLineEdit* makeBox(QWidget* parent, const char* name, const QRect& place)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(place);
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& place)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    // Enter on a focused button presses that button.
    button->setAutoDefault(true);
    return button;
}

// A check box without a caption that answers a click anywhere in its area,
// as a captioned one does over its caption, not only on the tick mark.
class CaptionlessCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

} // namespace

void Form3::buildControls()
{
    setWindowTitle(QStringLiteral("Edit My Tallowick"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(6885, 3945));

    const Qt::Alignment right = Qt::AlignRight;
    Label1 = makeLabel(this, "Label1", QStringLiteral("Number:"), right, twipsRect(720, 120, 615, 255));
    Text1 = makeBox(this, "Text1", twipsRect(1440, 120, 1455, 285));
    Label2 = makeLabel(this, "Label2", QStringLiteral("Date:"), right, twipsRect(840, 480, 495, 375));
    Text2 = makeBox(this, "Text2", twipsRect(1440, 480, 1455, 285));
    Label11 = makeLabel(this, "Label11", QStringLiteral("(mm/dd/yyyy)"), Qt::AlignLeft,
                        twipsRect(3000, 480, 2175, 255));
    Label3 = makeLabel(this, "Label3", QStringLiteral("Description of Transaction:"), right,
                       twipsRect(-120, 840, 1455, 375));
    Label3->setWordWrap(true);
    Text5 = makeBox(this, "Text5", twipsRect(1440, 930, 4695, 285));
    Label4 =
        makeLabel(this, "Label4", QStringLiteral("Payment / Debit:"), right, twipsRect(0, 1320, 1335, 375));
    Text6 = makeBox(this, "Text6", twipsRect(1440, 1320, 1455, 285));
    Label5 =
        makeLabel(this, "Label5", QStringLiteral("Tax Deductible:"), right, twipsRect(0, 1800, 1335, 375));
    Check1 = new CaptionlessCheckBox(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(twipsRect(1440, 1680, 3615, 375));
    Label6 =
        makeLabel(this, "Label6", QStringLiteral("Fee (if any):"), right, twipsRect(120, 2160, 1215, 255));
    Text7 = makeBox(this, "Text7", twipsRect(1440, 2160, 1455, 285));
    Label7 = makeLabel(this, "Label7", QStringLiteral("Deposit / Credit:"), right,
                       twipsRect(120, 2520, 1215, 495));
    Text8 = makeBox(this, "Text8", twipsRect(1440, 2520, 1455, 285));
    Label8 = makeLabel(this, "Label8", QStringLiteral("Balance:"), right, twipsRect(600, 2880, 735, 375));
    Text9 = makeBox(this, "Text9", twipsRect(1440, 2880, 1455, 285));
    Text9->setText(QStringLiteral("0"));
    Text9->setEnabled(false);

    Command1 = makeButton(this, "Command1", QStringLiteral("Add"), twipsRect(120, 3360, 1335, 495));
    Command3 = makeButton(this, "Command3", QStringLiteral("Update"), twipsRect(120, 3360, 1335, 495));
    Command4 = makeButton(this, "Command4", QStringLiteral("<<"), twipsRect(1560, 3360, 855, 495));
    Command5 = makeButton(this, "Command5", QStringLiteral("<"), twipsRect(2520, 3360, 855, 495));
    Command6 = makeButton(this, "Command6", QStringLiteral(">"), twipsRect(3480, 3360, 855, 495));
    Command7 = makeButton(this, "Command7", QStringLiteral(">>"), twipsRect(4440, 3360, 855, 495));
    Command2 = makeButton(this, "Command2", QStringLiteral("Cancel"), twipsRect(5400, 3360, 1335, 495));

    // A screen reader announces each box by the label beside it. A check box
    // without a caption is announced only by its own name; the arrows by
    // what they do, not by their signs.
    const std::pair<QLabel*, QWidget*> labelled[] = {{Label1, Text1}, {Label2, Text2},  {Label3, Text5},
                                                     {Label4, Text6}, {Label5, Check1}, {Label6, Text7},
                                                     {Label7, Text8}, {Label8, Text9}};
    for (const auto& [label, control] : labelled)
        label->setBuddy(control);
    Check1->setAccessibleName(Label5->text());
    Text2->setAccessibleDescription(Label11->text());
    Command4->setAccessibleName(QStringLiteral("First record"));
    Command5->setAccessibleName(QStringLiteral("Previous record"));
    Command6->setAccessibleName(QStringLiteral("Next record"));
    Command7->setAccessibleName(QStringLiteral("Last record"));

    // Keyboard order of the design: "<" first, then the boxes, then the buttons.
    // clang-format off
    const QList<QWidget*> tabOrder{Command5, Text1, Text2, Text5, Text6, Check1, Text7, Text8,
                                   Command3, Command4, Command6, Command7, Command2, Command1};
    // clang-format on
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(200);
}

} // namespace tallowick
