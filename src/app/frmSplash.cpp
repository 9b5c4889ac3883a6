#include "frmSplash.h"

#include "Logo.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include <utility>

namespace tallowick {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place,
                  const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QFont arial(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setFixedSize(twipsSize(7380, 4245));
    // No caption, but a screen reader still names the window as it appears.
    setAccessibleName(QStringLiteral("Tallowick Balance"));
    setWindowIcon(logoIcon());
    setFocusPolicy(Qt::StrongFocus);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setGeometry(twipsRect(120, 60, 7080, 4050));
    Frame1->installEventFilter(this);

    lblCompanyProduct = makeLabel(Frame1, "lblCompanyProduct", QStringLiteral("Quorvel"),
                                  twipsRect(120, 240, 1380, 435), arial(18, true));
    lblProductName = makeLabel(Frame1, "lblProductName", QStringLiteral("Tallowick Balance"),
                               twipsRect(360, 600, 6375, 765), arial(32.25, true));
    lblProductName->setWordWrap(false);

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(twipsRect(120, 1440, 1815, 2385));
    imgLogo->setScaledContents(true);
    imgLogo->setPixmap(logoPixmap());

    lblVersion = makeLabel(Frame1, "lblVersion", QString(), twipsRect(2520, 1440, 885, 285), arial(12, true));
    lblVersion->setWordWrap(false);
    lblCompany = makeLabel(Frame1, "lblCompany", QStringLiteral("Copyright \u00A9 2026 Quorvel"),
                           twipsRect(2520, 1800, 2415, 255), arial(8.25, false));
    lblWarning =
        makeLabel(Frame1, "lblWarning",
                  QStringLiteral("Warning: this product must not be copied or distributed without the "
                                 "author's permission."),
                  twipsRect(2520, 2160, 4455, 555), arial(8.25, false));

    // The version label widens to fit its text, never narrows.
    lblVersion->setText(
        QStringLiteral("Version %1.%2").arg(TALLOWICK_VERSION_MAJOR).arg(TALLOWICK_VERSION_MINOR));
    lblVersion->resize(qMax(lblVersion->width(), lblVersion->sizeHint().width()), lblVersion->height());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1500);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    Timer1->start();
}

void frmSplash::Timer1_Timer()
{
    Timer1->stop();
    WindowRegistry::instance().HandOver(QStringLiteral("frmSplash"), QStringLiteral("Form2"));
}

void frmSplash::dismiss()
{
    Timer1->stop();
    WindowRegistry::instance().Unload(QStringLiteral("frmSplash"));
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    dismiss();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    // A click on the frame (or on a label in it, which passes the mouse on)
    // is a press and a release inside it, as for a button: the release ends
    // the program, and moving off the frame before releasing takes it back.
    const QEvent::Type type = event->type();
    if (watched != Frame1 || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease))
        return QWidget::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
        if (type == QEvent::MouseButtonPress)
            framePressed_ = true;
        else if (std::exchange(framePressed_, false) && Frame1->rect().contains(mouse->position().toPoint()))
            dismiss();
    }
    return true;
}

} // namespace tallowick
