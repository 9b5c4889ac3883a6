#include "MessageBox.h"

#include <QMessageBox>
#include <QPointer>

namespace tallowick {

namespace {

// The button pressed; Cancel when the box went without one.
QMessageBox::StandardButton showBox(QWidget* parent, const QString& text,
                                    QMessageBox::StandardButtons buttons)
{
    // On the heap and watched: should the parent window be destroyed while
    // the box waits, the box goes with it instead of being freed twice.
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Tallowick"), text, buttons, parent);
    box->setObjectName(QStringLiteral("TallowickMessage"));
    box->exec();
    const QMessageBox::StandardButton pressed =
        box ? box->standardButton(box->clickedButton()) : QMessageBox::Cancel;
    delete box;
    return pressed;
}

} // namespace

void ShowMessage(QWidget* parent, const QString& text)
{
    showBox(parent, text, QMessageBox::Ok);
}

bool AskToProceed(QWidget* parent, const QString& text)
{
    return showBox(parent, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

} // namespace tallowick
