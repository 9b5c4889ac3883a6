#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace tallowick {

// Owns every window of the program by its name. A window is created when it
// is first loaded, exists at most once, and is destroyed by Unload, so the
// next Load starts again from its design. When the last loaded window goes,
// the program ends (programEnded).
//
// Windows hand control to each other through the registry by name, so a
// window never needs to include the window it returns to.
class WindowRegistry : public QObject {
    Q_OBJECT

public:
    using Factory = std::function<QWidget*()>;

    static WindowRegistry& instance();

    // Tells the registry how to build the window called `name`.
    void define(const QString& name, Factory factory);

    // Creates and loads the window if it is not loaded; never shows it.
    QWidget* Load(const QString& name);
    // Loads if needed, centres the window on the screen and shows it, not modal.
    QWidget* Show(const QString& name);
    void Hide(const QString& name);
    // Destroys the window and its controls. Safe from inside the window's own
    // handlers: the object goes once control is back in the event loop.
    void Unload(const QString& name);

    // The usual hand-off: shows `to`, then hides and unloads `from`.
    QWidget* HandOver(const QString& from, const QString& to);

    template <class Window> Window* Load(const QString& name) { return qobject_cast<Window*>(Load(name)); }
    template <class Window> Window* Show(const QString& name) { return qobject_cast<Window*>(Show(name)); }

    bool isLoaded(const QString& name) const { return loaded_.contains(name); }
    QWidget* window(const QString& name) const { return loaded_.value(name); }
    int loadedCount() const { return int(loaded_.size()); }

    // Ends the program at once: every window goes without running its own
    // closing work, and programEnded is emitted.
    void endProgram();

signals:
    // Emitted by Unload before the registry forgets the window, so that a
    // window serving it can go with it.
    void unloading(const QString& name);
    void programEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void forget(const QString& name);

    QHash<QString, Factory> factories_;
    QHash<QString, QPointer<QWidget>> loaded_;
};

} // namespace tallowick
