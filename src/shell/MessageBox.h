#pragma once

#include <QString>

class QWidget;

namespace tallowick {

// The program's message: caption "Tallowick", the text, one OK button,
// modal. Returns when the user has pressed OK.
void ShowMessage(QWidget* parent, const QString& text);

// A question before a change the user asked for: caption "Tallowick", the
// text, OK and Cancel, modal. True when the user pressed OK.
bool AskToProceed(QWidget* parent, const QString& text);

} // namespace tallowick
