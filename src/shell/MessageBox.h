#pragma once

#include <QString>

class QWidget;

namespace tallowick {

// The program's only kind of message: caption "Tallowick", the text, one OK
// button, modal. Returns when the user has pressed OK.
void ShowMessage(QWidget* parent, const QString& text);

} // namespace tallowick
