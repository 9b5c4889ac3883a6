#include "MessageBox.h"

#include <QMessageBox>

namespace tallowick {

void ShowMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallowick"), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("TallowickMessage"));
    box.exec();
}

} // namespace tallowick
