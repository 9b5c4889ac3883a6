#include "WindowRegistry.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace tallowick {

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::define(const QString& name, Factory factory)
{
    factories_.insert(name, std::move(factory));
}

QWidget* WindowRegistry::Load(const QString& name)
{
    if (QWidget* existing = loaded_.value(name))
        return existing;
    const auto factory = factories_.constFind(name);
    Q_ASSERT_X(factory != factories_.constEnd(), "WindowRegistry::Load", qPrintable(name));
    if (factory == factories_.constEnd())
        return nullptr;
    QWidget* window = (*factory)();
    window->setObjectName(name);
    window->installEventFilter(this);
    loaded_.insert(name, window);
    return window;
}

QWidget* WindowRegistry::Show(const QString& name)
{
    QWidget* window = Load(name);
    if (!window)
        return nullptr;
    if (!window->isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
        window->show();
    }
    window->raise();
    window->activateWindow();
    return window;
}

QWidget* WindowRegistry::HandOver(const QString& from, const QString& to)
{
    QWidget* target = Show(to);
    Hide(from);
    Unload(from);
    return target;
}

void WindowRegistry::Hide(const QString& name)
{
    if (QWidget* window = loaded_.value(name))
        window->hide();
}

void WindowRegistry::Unload(const QString& name)
{
    QWidget* window = loaded_.value(name);
    if (!window)
        return;
    window->removeEventFilter(this);
    window->hide();
    window->deleteLater();
    emit unloading(name);
    forget(name);
}

void WindowRegistry::forget(const QString& name)
{
    loaded_.remove(name);
    if (loaded_.isEmpty())
        emit programEnded();
}

void WindowRegistry::endProgram()
{
    const auto windows = loaded_;
    loaded_.clear();
    for (QWidget* window : windows) {
        if (!window)
            continue;
        window->removeEventFilter(this);
        window->hide();
        window->deleteLater();
    }
    emit programEnded();
}

bool WindowRegistry::eventFilter(QObject* watched, QEvent* event)
{
    // The title-bar close box unloads the window like the program's own Unload.
    if (event->type() == QEvent::Close) {
        const QString name = loaded_.key(qobject_cast<QWidget*>(watched));
        if (!name.isEmpty()) {
            event->accept();
            Unload(name);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tallowick
