#include "Form6.h"

#include "Logo.h"
#include "Module1.h"
#include "Twips.h"
#include "WindowRegistry.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

namespace tallowick {

Form6::Form6(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Help"));
    setWindowIcon(logoIcon());
    setFixedSize(twipsSize(6045, 3660));

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(2040, 3000, 2055, 495));
    Command1->setAutoDefault(true);

    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setAccessibleName(QStringLiteral("Help page"));
    WebBrowser1->setGeometry(twipsRect(120, 120, 5775, 2775));
    // Links are followed here, and only to local files (the page's own
    // anchors included); a link to the web leaves the page as it is.
    WebBrowser1->setOpenExternalLinks(false);
    WebBrowser1->setOpenLinks(false);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = WebBrowser1->source().resolved(link);
        if (target.isLocalFile())
            WebBrowser1->setSource(target);
    });

    setTabOrder(Command1, WebBrowser1);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);

    const QString page = Module1::helpPagePath();
    if (QFileInfo::exists(page)) {
        WebBrowser1->setSearchPaths({Module1::installFolder()});
        WebBrowser1->setSource(QUrl::fromLocalFile(page));
    } else {
        WebBrowser1->setHtml(QStringLiteral("<h3>This page cannot be displayed</h3>"
                                            "<p>The help page was not found:</p><p><tt>%1</tt></p>")
                                 .arg(page.toHtmlEscaped()));
    }
}

void Form6::Command1_Click()
{
    auto& registry = WindowRegistry::instance();
    registry.Hide(QStringLiteral("Form6"));
    registry.Unload(QStringLiteral("Form6"));
    // The ledger window, if still open, takes the keyboard again.
    if (QWidget* ledger = registry.window(QStringLiteral("frmLedger")))
        ledger->activateWindow();
}

} // namespace tallowick
