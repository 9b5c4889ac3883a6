#include "WindowTestSupport.h"

#include "RegisterWindows.h"
#include "WindowRegistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

namespace tallowick::test {

MessageAnswerer::MessageAnswerer()
{
    connect(&timer_, &QTimer::timeout, this, &MessageAnswerer::answer);
    timer_.start(20);
}

void MessageAnswerer::answer()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
        return;
    captions << box->windowTitle();
    texts << box->text();
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}

void WindowTest::initTestCase()
{
    RegisterWindows();
}

void WindowTest::cleanup()
{
    closeAllWindows();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void closeAllWindows()
{
    WindowRegistry::instance().endProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace tallowick::test
