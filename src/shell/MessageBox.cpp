#include "MessageBox.h"

#include <QMessageBox>
#include <QPointer>

namespace tallowick {

void ShowMessage(QWidget* parent, const QString& text)
{
    // On the heap and watched: should the parent window be destroyed while
    // the box waits, the box goes with it instead of being freed twice.
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Tallowick"), text, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("TallowickMessage"));
    box->exec();
    delete box;
}

} // namespace tallowick
