#include "WindowTestSupport.h"

#include "RegisterWindows.h"
#include "WindowRegistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <utility>

namespace tallowick::test {

namespace {

// OK, as a user answers; a box without one, or another dialog, is closed (cancelled).
void answerOk(QWidget* modal)
{
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box && box->button(QMessageBox::Ok))
        box->button(QMessageBox::Ok)->click();
    else
        modal->close();
}

} // namespace

void WindowTest::initTestCase()
{
    RegisterWindows();
    connect(&answering_, &QTimer::timeout, this, &WindowTest::answerModal);
    answering_.start(20);
}

void WindowTest::answerModal()
{
    QWidget* modal = QApplication::activeModalWidget();
    auto* box = qobject_cast<QMessageBox*>(modal);
    auto* dialog = qobject_cast<QFileDialog*>(box ? box->parentWidget() : modal);
    SaveDialogAnswerer* save =
        SaveDialogAnswerer::alive.isEmpty() ? nullptr : SaveDialogAnswerer::alive.last();
    if (save && dialog && box && box->button(QMessageBox::Yes)) { // whether to replace the chosen file
        box->button(QMessageBox::Yes)->click();
    } else if (save && dialog && !box) {
        answerSaveDialog(dialog, save);
    } else if (box && !MessageAnswerer::alive.isEmpty()) {
        MessageAnswerer::alive.last()->captions << box->windowTitle();
        MessageAnswerer::alive.last()->texts << box->text();
        answerOk(box);
    } else if (modal) {
        unexpected(modal, box ? box->text() : QString());
    }
}

void WindowTest::answerSaveDialog(QFileDialog* dialog, SaveDialogAnswerer* answerer)
{
    if (answerer->offered.isEmpty())
        answerer->offered = dialog->selectedFiles().value(0);
    // Typed whole into the name box, as a user does: the dialog reads its folder in the background.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name)
        return unexpected(dialog, QStringLiteral("(no file name box)"));
    name->setText(answerer->target);
    // Pressed after this tick, so that a later tick answers the question the key may bring up.
    QTimer::singleShot(0, name, [this, name, dialog = QPointer<QFileDialog>(dialog)] {
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog && dialog->isVisible())
            unexpected(dialog, QStringLiteral("(still open after Enter)"));
    });
}

void WindowTest::unexpected(QWidget* modal, const QString& what)
{
    unexpected_ << QStringLiteral("\"%1\" %2").arg(modal->windowTitle(), what);
    QTest::qFail(qPrintable("Unexpected box or dialog: " + unexpected_.last()), __FILE__, __LINE__);
    answerOk(modal);
}

void WindowTest::cleanup()
{
    QStringList left;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
            left << box->text();
            box->deleteLater();
        }
    const QStringList unexpected = std::exchange(unexpected_, {});
    closeAllWindows();
    QVERIFY2(left.isEmpty(), qPrintable("Boxes left open: " + left.join(u'\n')));
    QVERIFY2(unexpected.isEmpty(), qPrintable("Unexpected: " + unexpected.join(u'\n')));
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void closeAllWindows()
{
    WindowRegistry::instance().endProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace tallowick::test
